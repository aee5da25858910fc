// Expectations on the controller's notice. Portable.
#include "tools/scenario/NoticeChecks.h"

#include "common/Text.h"

namespace scenario {

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
    }
    return "unknown notice expectation";
}

} // namespace scenario
