// The virtual target's view of the controller's notice, and the user answering it on the
// simulated desktop. Simulation.
#include "tools/scenario/VirtualTarget.h"

#include "controller/SentrixdResources.h"

namespace scenario {

namespace {

// The newest notice of the newest controller that has shown one.
sim::SimDialogs::Dialog* newestNotice(std::vector<simrun::SimController*> controllers) {
    for (auto it = controllers.rbegin(); it != controllers.rend(); ++it) {
        const auto& dialogs = (*it)->dialogs().dialogs();
        for (auto dialog = dialogs.rbegin(); dialog != dialogs.rend(); ++dialog) {
            if ((*dialog)->templateId == IDD_NOTIFY_CEC_INFO && (*dialog)->initialised) {
                return dialog->get();
            }
        }
    }
    return nullptr;
}

} // namespace

std::optional<NoticeView> VirtualTarget::notice() {
    std::vector<simrun::SimController*> controllers;
    for (ControllerEntry& entry : m_controllers) {
        controllers.push_back(entry.controller.get());
    }
    const sim::SimDialogs::Dialog* dialog = newestNotice(controllers);
    if (dialog == nullptr) {
        return std::nullopt;
    }
    NoticeView view;
    view.open = dialog->ending == sim::SimDialogs::Ending::Open;
    view.title = dialog->title;
    if (const sim::SimDialogs::Control* message = dialog->control(IDC_NOTIFY_MESSAGE)) {
        view.message = message->text;
    }
    if (const sim::SimDialogs::Control* box = dialog->control(IDC_NOTIFY_DONT_SHOW)) {
        view.checkBoxText = box->text;
        view.checked = box->check == platform::kBstChecked;
    }
    return view;
}

std::string VirtualTarget::answerNotice(NoticeAnswer answer) {
    for (auto it = m_controllers.rbegin(); it != m_controllers.rend(); ++it) {
        sim::SimDialogs& dialogs = it->controller->dialogs();
        sim::SimDialogs::Dialog* dialog = dialogs.openDialog(IDD_NOTIFY_CEC_INFO);
        if (dialog == nullptr) {
            continue;
        }
        switch (answer) {
        case NoticeAnswer::CheckBox:
            return dialogs.click(dialog->window, IDC_NOTIFY_DONT_SHOW) ? std::string()
                                                                       : "the check box cannot be clicked";
        case NoticeAnswer::Ok:
            return dialogs.click(dialog->window, platform::dlg::kIdOk) ? std::string()
                                                                       : "OK cannot be clicked";
        case NoticeAnswer::CloseBox:
            dialogs.clickCloseBox(dialog->window);
            return {};
        case NoticeAnswer::Escape:
            dialogs.pressEscape(dialog->window);
            return {};
        }
        return "unknown answer to the notice";
    }
    return "no notice is open";
}

} // namespace scenario
