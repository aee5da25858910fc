// The control menu for a controller built without it: the menu has no window and shows
// nothing, and says so in the trace log, so that a missing part is never mistaken for a
// working one. The launcher itself still reads its items and acts on their messages.
// Portable.
#pragma once

#include "controller/ControllerServices.h"
#include "controller/launcher/ControlMenu.h"

class UnavailableControlMenu final : public ControlMenu {
public:
    bool create(platform::WindowHandle) override { return false; }
    platform::WindowHandle window() const override { return 0; }
    void clearItems() override {}
    void setTitle(const std::wstring&) override {}
    void addItem(const std::wstring&, platform::MessageId) override {}
    void show() override;
    void hide() override {}
    bool isVisible() const override { return false; }
};

class UnavailableControlMenuFactory final : public ControlMenuFactory {
public:
    std::unique_ptr<ControlMenu> createControlMenu() override { return std::make_unique<UnavailableControlMenu>(); }
};
