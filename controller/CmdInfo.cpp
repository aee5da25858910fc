// Bounded text access to a command rule's fixed arrays. Portable.
#include "controller/CmdInfo.h"

#include "common/Text.h"

#include <algorithm>

namespace {

template <std::size_t N> bool storeText(wchar_t (&target)[N], std::wstring_view text) {
    if (text::utf16Length(text) > N - 1) {
        return false;
    }
    std::fill(std::begin(target), std::end(target), L'\0');
    std::copy(text.begin(), text.end(), target);
    return true;
}

template <std::size_t N> std::wstring readText(const wchar_t (&source)[N]) {
    return std::wstring(source, std::find(source, source + N, L'\0'));
}

} // namespace

bool CmdInfo::setCondition(std::wstring_view text) {
    return storeText(m_szCondition, text);
}

bool CmdInfo::setParam(std::wstring_view text) {
    return storeText(m_szParam, text);
}

std::wstring CmdInfo::getCondition() const {
    return readText(m_szCondition);
}

std::wstring CmdInfo::getParam() const {
    return readText(m_szParam);
}
