#include "ui/AboutDlg.h"

#include "base/ResourceIds.h"

// No message map of its own: OK and Esc close it through the dialog defaults.
CAboutDlg::CAboutDlg(Platform& platform, CDialog& parent) : CDialog(platform, IDD_ABOUTBOX, &parent) {}
