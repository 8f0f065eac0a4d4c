// A main dialog on the fake platform, made as the program makes it.
#pragma once

#include <gtest/gtest.h>

#include "app/TolvexDesktopWinApp.h"
#include "fakes/FakePlatform.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"
#include "ui/resources/resource.h"

class DialogFixture : public ::testing::Test {
protected:
    static constexpr const char* kPath = "C:\\Users\\u\\AppData\\Roaming\\Tolvex Computer\\TolvexPhoneBook.pbk";
    static constexpr const char* kEntry = "[Tolvex Cell VPN]\r\nIpInterfaceMetric=1\r\n";

    void Create()
    {
        app.SetMainWnd(&dlg);
        hwnd = fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, dlg);
        fake.ui.log.clear();
    }
    std::intptr_t Send(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0)
    {
        return fake.ui.Deliver(hwnd, message, wParam, lParam);
    }
    std::string Text(int id) { return Narrow(fake.ui.Window(fake.ui.Control(hwnd, id)).text.view()); }
    std::string Parameters(char action) const
    {
        return std::string("-f \"") + kPath + "\" -" + action + " \"Tolvex Cell VPN\"";
    }
    std::vector<std::string> StartedParameters() const
    {
        std::vector<std::string> started;
        for (const auto& start : fake.shell.starts)
            started.push_back(start.parameters.value_or("<none>"));
        return started;
    }

    FakePlatform fake;
    CTolvexDesktopWinApp app{fake.platform};
    CTolvexDesktopWinDlg dlg{app};
    WindowHandle hwnd = nullptr;
};
