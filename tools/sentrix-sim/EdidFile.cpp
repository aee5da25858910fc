// The EDID reader of sentrix-sim. Portable.
#include "tools/sentrix-sim/EdidFile.h"

#include "controller/EDIDHelper.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace simtool {
namespace {

constexpr std::size_t kBlock = 128;
constexpr std::uint8_t kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

bool isText(std::uint8_t c) {
    return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c < 0x7F);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Byte pairs of one word; false when it is anything else.
bool wordBytes(std::string_view word, std::vector<std::uint8_t>& out) {
    if (word.empty() || word.size() % 2 != 0) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < word.size(); i += 2) {
        const int high = hexDigit(word[i]);
        const int low = hexDigit(word[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
    return true;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            ++i;
        }
        if (i > start) {
            out.push_back(line.substr(start, i - start));
        }
    }
    return out;
}

bool parseDump(std::string_view text, std::vector<std::uint8_t>& bytes, std::string& error) {
    bool inData = false;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        const std::vector<std::string_view> ws = words(line);
        if (ws.empty()) {
            continue;
        }
        std::vector<std::uint8_t> first;
        if (!wordBytes(ws[0], first)) {
            if (inData) {
                break; // the data is over
            }
            continue; // a header line
        }
        inData = true;
        bytes.insert(bytes.end(), first.begin(), first.end());
        for (std::size_t i = 1; i < ws.size(); ++i) {
            if (!wordBytes(ws[i], bytes)) {
                error = "line " + std::to_string(lineNumber) + ": bad hex byte '" + std::string(ws[i]) + "'";
                return false;
            }
        }
    }
    if (!inData) {
        error = "no hex bytes found (expected 128 or 256 raw bytes, or a hex dump)";
        return false;
    }
    return true;
}

} // namespace

bool parseEdid(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& edid, std::string& error) {
    // A text file may start with a UTF-8 byte-order mark.
    const bool bom = file.size() >= 3 && file[0] == 0xEF && file[1] == 0xBB && file[2] == 0xBF;
    const std::vector<std::uint8_t> content(file.begin() + (bom ? 3 : 0), file.end());
    const bool blockSized = !content.empty() && content.size() % kBlock == 0;
    const bool hasHeader = content.size() >= sizeof kHeader &&
                           std::equal(std::begin(kHeader), std::end(kHeader), content.begin());
    const bool binary =
        std::any_of(content.begin(), content.end(), [](std::uint8_t c) { return !isText(c); });
    std::vector<std::uint8_t> bytes;
    if (hasHeader || binary) {
        if (!blockSized) {
            error = std::to_string(content.size()) + " raw bytes; an EDID has 128 or 256 (a multiple of 128)";
            return false;
        }
        bytes = content;
    } else {
        const std::string_view text(reinterpret_cast<const char*>(content.data()), content.size());
        if (!parseDump(text, bytes, error)) {
            return false;
        }
        if (bytes.size() % kBlock != 0) {
            error = "the dump has " + std::to_string(bytes.size()) +
                    " bytes; an EDID has 128 or 256 (a multiple of 128)";
            return false;
        }
    }
    edid = std::move(bytes);
    return true;
}

std::optional<std::string> edidPhysicalAddress(const std::vector<std::uint8_t>& edid) {
    std::uint8_t block[EDIDHelper::kEdidBytes] = {};
    std::copy_n(edid.begin(), std::min(edid.size(), EDIDHelper::kEdidBytes), block);
    std::uint8_t first = 0;
    std::uint8_t second = 0;
    if (EDIDHelper::physicalAddressFromEdid(block, first, second) != EDIDHelper::EdidWalk::Found) {
        return std::nullopt;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%x.%x.%x.%x", first >> 4, first & 0xF, second >> 4, second & 0xF);
    return std::string(text);
}

} // namespace simtool
