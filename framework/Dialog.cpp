#include "framework/Dialog.h"

#include "base/ResourceIds.h"
#include "framework/FileErrorText.h"
#include "framework/MessageBox.h"

CDialog::CDialog(Platform& platform, unsigned templateId, CDialog* pParent)
    : m_platform(platform), m_nTemplateId(templateId), m_pParent(pParent)
{
}

std::intptr_t CDialog::DoModal()
{
    const WindowHandle owner = m_pParent != nullptr ? m_pParent->GetSafeHwnd() : nullptr;

    if (owner != nullptr)
        ui().EnableWindow(owner, false);
    m_bEndModal = false;
    m_nModalResult = -1;
    if (ui().CreateDialogFromTemplate(m_nTemplateId, owner, *this) != nullptr)
        RunModalLoop();
    // The owner is enabled again before this window goes, so that activation returns to it.
    if (owner != nullptr)
        ui().EnableWindow(owner, true);
    if (m_hWnd != nullptr) {
        ui().ShowWindow(m_hWnd, win::SW_HIDE);
        ui().DestroyWindow(m_hWnd);
    }
    m_hWnd = nullptr;
    return m_nModalResult;
}

bool CDialog::Create()
{
    if (ui().CreateDialogFromTemplate(m_nTemplateId, m_pParent->GetSafeHwnd(), *this) == nullptr)
        return false;
    m_pParent->m_pModeless = this;
    return true;
}

void CDialog::DestroyWindow()
{
    if (m_hWnd != nullptr)
        ui().DestroyWindow(m_hWnd);
}

void CDialog::EndDialog(std::intptr_t result)
{
    m_nModalResult = result;
    m_bEndModal = true;
    // Wakes the loop in case the request came from outside a dispatched message.
    if (m_hWnd != nullptr)
        ui().PostMessage(m_hWnd, win::WM_NULL, 0, 0);
}

void CDialog::RunModalLoop()
{
    CIdleActivity activity;
    // A template without the visible style is shown once the loop first goes idle, after
    // everything its initialisation queued has been handled.
    bool bShowOnIdle = !ui().IsWindowVisible(m_hWnd);
    Message msg;
    while (!m_bEndModal) {
        if (activity.IsPassDue() && !ui().PeekMessage(msg)) {
            if (bShowOnIdle) {
                ui().ShowWindow(m_hWnd, win::SW_SHOWNORMAL);
                bShowOnIdle = false;
            }
            std::intptr_t ignored = 0;
            OnWindowMessage(m_hWnd, win::WM_KICKIDLE, 0, 0, ignored);
            activity.OnPassMade();
            continue;
        }
        if (!ui().GetMessage(msg)) {
            // WM_QUIT belongs to the outer loop: put it back and leave.
            ui().PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        activity.OnMessageTaken(msg);
        if (!(m_pModeless != nullptr && ui().IsDialogMessage(m_pModeless->m_hWnd, msg)) && !ui().IsDialogMessage(m_hWnd, msg))
            ui().TranslateAndDispatch(msg);
    }
}

bool CDialog::OnInitDialog()
{
    DoDataExchange();
    return true;
}

bool CDialog::OnWindowMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                              std::intptr_t lParam, std::intptr_t& result)
{
    try {
        if (message == win::WM_INITDIALOG) {
            m_hWnd = hwnd;
            result = OnInitDialog() ? 1 : 0;
            return true;
        }
        const bool handled = WindowProc({message, wParam, lParam}, result);
        // A dialog made beside its parent is gone with its window.
        if (message == win::WM_DESTROY && m_pParent != nullptr && m_pParent->m_pModeless == this) {
            m_pParent->m_pModeless = nullptr;
            m_hWnd = nullptr;
        }
        return handled;
    } catch (...) {
        // Nothing may cross the system's frames around this procedure.
        ReportFailure(message);
    }
    result = 0;
    return true;
}

void CDialog::ReportFailure(unsigned message)
{
    try {
        // A command the user gave that failed says so. Anything else (a refresh pass, a timer
        // tick) goes on silently: a pass that keeps failing must not open a box every second.
        if (message == win::WM_COMMAND || message == win::WM_SYSCOMMAND)
            MessageBox(IDS_COMMAND_FAILED, win::MB_OK | win::MB_ICONSTOP);
    } catch (...) {
        // Not even the box could be shown: the program goes on as it can.
    }
}

void CDialog::ReportFileError(const FileError& error)
{
    MessageBox(GetFileErrorText(platform().resources, error), win::MB_OK | win::MB_ICONSTOP);
}

int CDialog::MessageBox(const WideString& text, unsigned type)
{
    const WindowHandle owner = m_hWnd != nullptr ? ui().GetLastActivePopup(m_hWnd) : nullptr;
    ++m_nOpenBoxes;
    struct Closed {
        int& count;
        ~Closed() { --count; }
    } closed{m_nOpenBoxes};
    return ShowMessageBox(platform(), owner, text, type);
}

int CDialog::MessageBox(unsigned stringId, unsigned type)
{
    return MessageBox(platform().resources.LoadString(stringId), type);
}

bool CDialog::WindowProc(const MessageArgs& args, std::intptr_t& result)
{
    if (DispatchMessageMap(args, result))
        return true;
    if (args.message == win::WM_COMMAND && HighWordSigned(args.wParam) == CN_COMMAND) {
        switch (LowWord(args.wParam)) {
        case win::IDOK:
            OnOK();
            result = 0;
            return true;
        case win::IDCANCEL:
            OnCancel();
            result = 0;
            return true;
        default:
            break;
        }
    }
    return false;
}

void CDialog::UpdateDialogControls()
{
    for (const ChildControl& child : ui().GetChildControls(m_hWnd)) {
        CCmdUI context(ui(), m_hWnd, child.hwnd);
        DispatchCommandUpdate(static_cast<unsigned>(child.id), context);
    }
}

void CDialog::BindControl(CControl& control, int id)
{
    control.m_hWnd = ui().GetDlgItem(m_hWnd, id);
}
