// Tuner probe. Portable.
#include "controller/TunerProbe.h"
#include "common/Bytes.h"

#include "common/Trace.h"

#include <string>

namespace {

constexpr const wchar_t* kTunersKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Media Center\\Service\\Video\\Tuners";
constexpr const wchar_t* kDigitalCategory = L"{71985F48-1CA1-11D3-9CC8-00C04F7971E0}";
constexpr const wchar_t* kAnalogueCategory = L"{A799A800-A46D-11D0-A18C-00A02401DCD4}";
constexpr std::uint32_t kEnabledForMce = 0xFFFFFFFF;
constexpr std::uint32_t kSubkeyChars = 261; // names up to 260 characters

struct CategoryTexts {
    const wchar_t* found;
    const wchar_t* noMore;
    const wchar_t* enumError;
    const wchar_t* openError;
};
constexpr CategoryTexts kDigitalTexts = {L"DSubKey found:%ls", L"DSubKey no more items exist",
                                         L"ERROR : DSubKey RegEnumKeyEx():ErrorCode=%d",
                                         L"ERROR : DSubKey RegOpenKeyEx():%d"};
constexpr CategoryTexts kAnalogueTexts = {L"ASubKey found:%ls", L"ASubKey no more items exist",
                                          L"ERROR : ASubKey RegEnumKeyEx():ErrorCode=%d",
                                          L"ERROR : ASubKey RegOpenKeyEx():%d"};

// Looks through one tuner category; true when a tuner enabled for the media centre is found.
bool searchCategory(const TraceScope& traceScope_, platform::Registry& registry, platform::RegKey root,
                    const wchar_t* category, const CategoryTexts& texts) {
    platform::ScopedRegKey categoryKey(registry);
    const platform::ErrorCode opened =
        registry.openKey(root, category, platform::RegAccess::Read, categoryKey.out());
    if (opened != platform::error::kSuccess) {
        TRACE_ERROR(texts.openError, static_cast<int>(opened));
        return false;
    }
    bool found = false;
    for (std::uint32_t index = 0; !found; ++index) {
        wchar_t name[kSubkeyChars] = {};
        std::uint32_t nameChars = kSubkeyChars;
        const platform::ErrorCode result = registry.enumKey(categoryKey, index, name, &nameChars);
        if (result == platform::error::kNoMoreItems) {
            TRACE_MSG(L"%ls", texts.noMore);
            break;
        }
        if (result != platform::error::kSuccess) {
            TRACE_ERROR(texts.enumError, static_cast<int>(result));
            break;
        }
        TRACE_MSG(texts.found, name);
        const std::wstring settings = std::wstring(name) + L"\\UserSettings";
        platform::ScopedRegKey settingsKey(registry);
        if (registry.openKey(categoryKey, settings.c_str(), platform::RegAccess::Read, settingsKey.out()) !=
            platform::error::kSuccess) {
            continue;
        }
        std::uint32_t enabled = 0;
        if (platform::readDword(registry, settingsKey, L"EnabledForMCE", enabled)) {
            TRACE_MSG(L"EnabledForMCE=%x", enabled);
            if (enabled == kEnabledForMce) {
                TRACE_MSG(L"TUNER FOUND");
                found = true;
            }
        }
    }
    return found;
}

} // namespace

int isTunerExist(platform::Registry& registry) {
    TRACE_SCOPE(TraceModule::Sentrixd, "CSentrixdDlg::isTunerExist");
    platform::ScopedRegKey root(registry);
    const platform::ErrorCode opened =
        registry.openKey(platform::kHkeyLocalMachine, kTunersKey, platform::RegAccess::Read, root.out());
    if (opened != platform::error::kSuccess) {
        TRACE_ERROR(L"ERROR : RootKey RegOpenKeyEx():ErrorCode=%d", static_cast<int>(opened));
        return 0;
    }
    bool found = searchCategory(traceScope_, registry, root, kDigitalCategory, kDigitalTexts);
    if (!found) {
        found = searchCategory(traceScope_, registry, root, kAnalogueCategory, kAnalogueTexts);
    }
    return found ? 1 : 0;
}
