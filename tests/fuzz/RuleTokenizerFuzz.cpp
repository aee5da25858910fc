// The field tokenizer of the rule texts: the first two bytes choose the separator and the
// quote (the texts use ",", " " and '"'), the rest is the text. Every call either removes a
// field from the front or leaves the text as it was with the unterminated code, so reading
// all fields ends; every field reads as a number.
#include "controller/Context.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    static constexpr wchar_t kSeparators[] = {L',', L' ', L'"', L'\\', L'\0', L'&', L'|', L'\t'};
    const wchar_t separator = kSeparators[data[0] % 8];
    const wchar_t quote = kSeparators[data[1] % 8];
    const std::wstring text = fuzzing::utf16Text(data + 2, size - 2);
    Context context(text, separator, quote);
    for (;;) {
        const std::wstring before = context.getText();
        std::wstring token = L"untouched";
        const std::int32_t code = context.getNextToken(token);
        (void)Context::hexToDword(token);
        if (code == Context::kErrorUnterminated) {
            FUZZ_CHECK(context.getText() == before);
            FUZZ_CHECK(token == L"untouched");
            break;
        }
        FUZZ_CHECK(code == Context::kSuccess || code == Context::kLastToken);
        FUZZ_CHECK(token == context.getToken());
        FUZZ_CHECK(token.size() <= before.size());
        if (code == Context::kLastToken) {
            FUZZ_CHECK(context.getText().empty());
            break;
        }
        FUZZ_CHECK(context.getText().size() < before.size());
    }
    return 0;
}
