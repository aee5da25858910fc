// Expectations on the controller's notice. Portable.
#include "tools/scenario/NoticeChecks.h"

#include "common/Text.h"

namespace scenario {

namespace {

std::string drawingFaults(const std::optional<std::vector<std::string>>& faults, const char* what) {
    if (!faults) {
        return std::string("this world does not show the ") + what + " on a screen";
    }
    std::string text;
    for (const std::string& fault : *faults) {
        text +=
            (text.empty() ? std::string("the ") + what + " is drawn wrongly: " : std::string("; ")) + fault;
    }
    return text;
}

} // namespace

std::string checkNotice(ScenarioTarget& target, const Expectation& e) {
    const std::optional<NoticeView> notice = target.notice();
    const auto field = static_cast<NoticeField>(e.value);
    if (!notice) {
        return field == NoticeField::Closed ? std::string() : "no notice has been shown";
    }
    const auto sameText = [&](const std::wstring& shown, const char* what) -> std::string {
        const std::string text = text::toUtf8(shown);
        return text == e.text ? std::string()
                              : std::string("the notice's ") + what + " is \"" + text + "\", expected \"" +
                                    e.text + "\"";
    };
    switch (field) {
    case NoticeField::Open:
        return notice->open ? std::string() : "the notice is closed";
    case NoticeField::Closed:
        return notice->open ? "the notice is open" : std::string();
    case NoticeField::Checked:
    case NoticeField::Unchecked: {
        const bool wanted = field == NoticeField::Checked;
        return notice->checked == wanted
                   ? std::string()
                   : std::string("the notice's box is ") + (notice->checked ? "checked" : "unchecked");
    }
    case NoticeField::Title:
        return sameText(notice->title, "title");
    case NoticeField::Message:
        return sameText(notice->message, "message");
    case NoticeField::CheckBoxText:
        return sameText(notice->checkBoxText, "check box text");
    case NoticeField::Drawn:
        return notice->open ? drawingFaults(notice->drawingFaults, "notice") : "the notice is closed";
    }
    return "unknown notice expectation";
}

std::string checkMenuState(ScenarioTarget& target, const Expectation& e) {
    const std::optional<MenuView> menu = target.controlMenu();
    const auto field = static_cast<MenuField>(e.value);
    if (!menu) {
        return field == MenuField::Hidden ? std::string() : "the controller has no control menu";
    }
    switch (field) {
    case MenuField::Visible:
        return menu->visible ? std::string() : "the control menu is hidden";
    case MenuField::Hidden:
        return menu->visible ? "the control menu is shown" : std::string();
    case MenuField::Entries: {
        std::wstring joined;
        for (const std::wstring& entry : menu->entries) {
            joined += (joined.empty() ? L"" : L" | ") + entry;
        }
        const std::string entries = text::toUtf8(joined);
        return entries == e.text
                   ? std::string()
                   : "the control menu's entries are \"" + entries + "\", expected \"" + e.text + "\"";
    }
    case MenuField::Selected: {
        if (menu->selected < 0 || static_cast<std::size_t>(menu->selected) >= menu->entries.size()) {
            return "no entry of the control menu is selected";
        }
        const std::string label = text::toUtf8(menu->entries[static_cast<std::size_t>(menu->selected)]);
        return label == e.text
                   ? std::string()
                   : "the control menu's selected entry is \"" + label + "\", expected \"" + e.text + "\"";
    }
    case MenuField::Drawn:
        return menu->visible ? drawingFaults(menu->drawingFaults, "control menu")
                             : "the control menu is hidden";
    }
    return "unknown control menu expectation";
}

} // namespace scenario
