// The application object the system stands on: its name, its main window and the message box
// every part of the system shows its messages with.
#pragma once

#include "base/WideString.h"
#include "platform/Platform.h"

class CDialog;

class CWinApp {
public:
    explicit CWinApp(Platform& platform);
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The whole life of the process; false ends the application without a message loop.
    virtual bool InitInstance() = 0;

    Platform& platform() const { return m_platform; }
    // The executable's file name without folder and extension.
    const WideString& GetAppName() const { return m_strAppName; }
    const WideString& GetRegistryKey() const { return m_strRegistryKey; }
    CDialog* GetMainWnd() const { return m_pMainWnd; }
    void SetMainWnd(CDialog* pWnd) { m_pMainWnd = pWnd; }

    // Caption: the application name. Owner: the main window's most recently active popup.
    // A type that names no icon gets the exclamation icon for OK and OK/Cancel, the question
    // icon for Yes/No and Yes/No/Cancel.
    int MessageBox(const WideString& text, unsigned type = 0 /* MB_OK */) const;
    int MessageBox(unsigned stringId, unsigned type = 0 /* MB_OK */) const;

protected:
    // Names the per-user settings key; nothing is stored under it and nothing creates it.
    void SetRegistryKey(const WideString& key) { m_strRegistryKey = key; }

private:
    Platform& m_platform;
    WideString m_strAppName;
    WideString m_strRegistryKey;
    CDialog* m_pMainWnd = nullptr;
};

// The file name of a path without its folder and its last extension.
WideString FileTitleOf(const WideString& path);
