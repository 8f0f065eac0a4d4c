// The context a command-state updater gets for its control.
#pragma once

#include "base/WideString.h"
#include "platform/WindowSystem.h"

class CCmdUI {
public:
    CCmdUI(IWindowSystem& ui, WindowHandle dialog, WindowHandle control)
        : m_ui(ui), m_hDialog(dialog), m_hControl(control) {}

    // Disabling the control that has the focus first moves the focus on, so the keyboard never
    // ends up on a dead control.
    void Enable(bool on);
    // Writes only a change, so an unchanged label causes no repaint.
    void SetText(const WideString& text);

private:
    IWindowSystem& m_ui;
    WindowHandle m_hDialog;
    WindowHandle m_hControl;
};
