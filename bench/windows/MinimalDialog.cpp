// The floor for the program's idle cost: a modal dialog of the same size and style as the
// program's main dialog, with a one-second timer, and nothing else. Its caption is "Minimal
// Dialog", so that a helper can find it.
#include <windows.h>

#include <cstring>
#include <vector>

namespace {

constexpr UINT_PTR kTimer = 1;

// The dialog template in memory: no resource script, no controls.
std::vector<WORD> MakeTemplate()
{
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD));
    DLGTEMPLATE dlg{};
    dlg.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    dlg.cdit = 0;
    dlg.cx = 151;
    dlg.cy = 47;
    std::memcpy(words.data(), &dlg, sizeof dlg);
    auto append = [&words](const wchar_t* text) {
        for (; *text != L'\0'; ++text)
            words.push_back(static_cast<WORD>(*text));
        words.push_back(0);
    };
    words.push_back(0);  // no menu
    words.push_back(0);  // the predefined dialog class
    append(L"Minimal Dialog");
    words.push_back(9);  // point size of the font DS_SETFONT names
    append(L"MS Shell Dlg");
    return words;
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ::SetTimer(hwnd, kTimer, 1000, nullptr);
        return TRUE;
    case WM_TIMER:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
            ::EndDialog(hwnd, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    const std::vector<WORD> words = MakeTemplate();
    ::DialogBoxIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(words.data()), nullptr, DialogProc, 0);
    return 0;
}
