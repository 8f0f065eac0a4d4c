// Posts one message to a top-level window found by its caption, as a user's action would
// arrive: e.g. WM_SYSCOMMAND SC_MINIMIZE to hide the program's dialog.
//   PostToWindow.exe CAPTION MESSAGE WPARAM   (numbers in decimal or 0x hex)
// Exits 0 when the message was posted, 1 when no such window appeared within 10 seconds.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4)
        return 2;
    const UINT message = static_cast<UINT>(std::wcstoul(argv[2], nullptr, 0));
    const WPARAM wParam = static_cast<WPARAM>(std::wcstoul(argv[3], nullptr, 0));
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (HWND hwnd = ::FindWindowW(nullptr, argv[1])) {
            ::PostMessageW(hwnd, message, wParam, 0);
            return 0;
        }
        ::Sleep(100);
    }
    return 1;
}
