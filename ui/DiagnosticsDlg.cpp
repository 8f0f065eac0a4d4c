#include "ui/DiagnosticsDlg.h"

#include "base/ResourceIds.h"

using Map = MessageMap<CDiagnosticsDlg>;

const Map CDiagnosticsDlg::s_messageMap = {
    Map::Command(IDC_COPY, [](auto& dlg, const MessageArgs&) { dlg.OnCopy(); return Handled(); }),
};

CDiagnosticsDlg::CDiagnosticsDlg(Platform& platform, CDialog& parent, const CEventLog& log)
    : CDialog(platform, IDD_DIAGNOSTICS, &parent), m_log(log)
{
}

void CDiagnosticsDlg::Open()
{
    if (m_hWnd == nullptr) {
        Create();
        return;
    }
    ui().ShowWindow(m_hWnd, win::SW_SHOW);
    ui().SetForegroundWindow(m_hWnd);
}

bool CDiagnosticsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Support reads it: the program's own words, in no particular language.
    ui().SetWindowText(ui().GetDlgItem(m_hWnd, IDC_RECORD),
                       u"Tolvex Cell VPN Manager " + platform().resources.LoadVersion() + u"\r\n" + m_log.GetText());
    ui().SetFocus(ui().GetDlgItem(m_hWnd, IDC_COPY));
    return false;
}

bool CDiagnosticsDlg::DispatchMessageMap(const MessageArgs& args, std::intptr_t& result)
{
    return s_messageMap.Dispatch(*this, args, result);
}

void CDiagnosticsDlg::OnCopy()
{
    ui().SetClipboardText(m_hWnd, ui().GetWindowText(ui().GetDlgItem(m_hWnd, IDC_RECORD)));
}
