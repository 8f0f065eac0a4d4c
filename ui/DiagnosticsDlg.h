// The diagnostics: the program's record of its last events, shown beside the main dialog (which
// goes on refreshing meanwhile) as it stood when opened, so the view never moves under the
// reader; Copy puts the whole text on the clipboard.
#pragma once

#include "base/EventLog.h"
#include "framework/Dialog.h"

class CDiagnosticsDlg : public CDialog {
public:
    CDiagnosticsDlg(Platform& platform, CDialog& parent, const CEventLog& log);
    // Made and shown, or brought forward when it is open already.
    void Open();

protected:
    bool OnInitDialog() override;
    bool DispatchMessageMap(const MessageArgs& args, std::intptr_t& result) override;
    // Escape and Close.
    void OnCancel() override { DestroyWindow(); }

private:
    void OnCopy();

    static const MessageMap<CDiagnosticsDlg> s_messageMap;
    const CEventLog& m_log;
};
