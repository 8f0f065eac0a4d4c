// The About box, opened from the system menu.
#pragma once

#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg(Platform& platform, CDialog& parent);
};
