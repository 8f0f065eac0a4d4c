#include "ui/AboutDlg.h"

#include "ui/resources/resource.h"

// No message map of its own: OK and Esc close it through the dialog defaults.
CAboutDlg::CAboutDlg(CWinApp& app) : CDialog(app, IDD_ABOUTBOX) {}
