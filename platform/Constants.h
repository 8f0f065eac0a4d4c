// Window messages, styles and codes the portable code uses, with the platform's values. Each is
// checked against <windows.h> when the Windows program is built (platform/win32/ConstantsCheck.cpp);
// the Win32 side itself uses the platform's own macros.
#pragma once

#include <cstdint>

// type, name, value
#define TOLVEX_PLATFORM_CONSTANTS(X)                  \
    X(unsigned, WM_NULL, 0x0000)                      \
    X(unsigned, WM_DESTROY, 0x0002)                   \
    X(unsigned, WM_PAINT, 0x000F)                     \
    X(unsigned, WM_QUERYENDSESSION, 0x0011)           \
    X(unsigned, WM_ENDSESSION, 0x0016)                \
    X(unsigned, WM_ICONERASEBKGND, 0x0027)            \
    X(unsigned, WM_NEXTDLGCTL, 0x0028)                \
    X(unsigned, WM_QUERYDRAGICON, 0x0037)             \
    X(unsigned, WM_SETICON, 0x0080)                   \
    X(unsigned, WM_NCMOUSEMOVE, 0x00A0)               \
    X(unsigned, WM_INITDIALOG, 0x0110)                \
    X(unsigned, WM_COMMAND, 0x0111)                   \
    X(unsigned, WM_SYSCOMMAND, 0x0112)                \
    X(unsigned, WM_TIMER, 0x0113)                     \
    X(unsigned, WM_MOUSEMOVE, 0x0200)                 \
    X(unsigned, WM_LBUTTONDOWN, 0x0201)               \
    X(unsigned, WM_LBUTTONDBLCLK, 0x0203)             \
    X(unsigned, WM_RBUTTONDOWN, 0x0204)               \
    X(unsigned, WM_USER, 0x0400)                      \
    X(unsigned, SC_MINIMIZE, 0xF020)                  \
    X(int, SW_HIDE, 0)                                \
    X(int, SW_SHOWNORMAL, 1)                          \
    X(int, SW_SHOW, 5)                                \
    X(int, ICON_SMALL, 0)                             \
    X(int, ICON_BIG, 1)                               \
    X(long, WS_EX_APPWINDOW, 0x00040000)              \
    X(long, WS_EX_LAYERED, 0x00080000)                \
    X(unsigned, LWA_ALPHA, 0x2)                       \
    X(int, SM_CXICON, 11)                             \
    X(int, SM_CYICON, 12)                             \
    X(unsigned, NIM_ADD, 0)                           \
    X(unsigned, NIM_MODIFY, 1)                        \
    X(unsigned, NIM_DELETE, 2)                        \
    X(unsigned, NIF_MESSAGE, 1)                       \
    X(unsigned, NIF_ICON, 2)                          \
    X(unsigned, NIF_TIP, 4)                           \
    X(unsigned, TPM_RIGHTBUTTON, 0x0002)              \
    X(int, IDOK, 1)                                   \
    X(int, IDCANCEL, 2)                               \
    X(int, IDYES, 6)                                  \
    X(int, IDNO, 7)                                   \
    X(unsigned, MB_OK, 0x0)                           \
    X(unsigned, MB_OKCANCEL, 0x1)                     \
    X(unsigned, MB_YESNOCANCEL, 0x3)                  \
    X(unsigned, MB_YESNO, 0x4)                        \
    X(unsigned, MB_TYPEMASK, 0xF)                     \
    X(unsigned, MB_ICONSTOP, 0x10)                    \
    X(unsigned, MB_ICONQUESTION, 0x20)                \
    X(unsigned, MB_ICONEXCLAMATION, 0x30)             \
    X(unsigned, MB_ICONINFORMATION, 0x40)             \
    X(unsigned, MB_ICONMASK, 0xF0)                    \
    X(std::uint32_t, KEY_READ, 0x20019)               \
    X(std::uint32_t, KEY_WRITE, 0x20006)              \
    X(std::uint32_t, KEY_ALL_ACCESS, 0xF003F)         \
    X(std::uint32_t, REG_DWORD, 4)                    \
    X(std::uint32_t, REG_MULTI_SZ, 7)                 \
    X(unsigned long, ERROR_SUCCESS, 0)                \
    X(unsigned long, ERROR_BUFFER_OVERFLOW, 111)      \
    X(unsigned long, ERROR_ALREADY_EXISTS, 183)       \
    X(int, WSAVERNOTSUPPORTED, 10092)                 \
    X(unsigned, ICC_WIN95_CLASSES, 0xFF)

namespace win {
#define TOLVEX_DEFINE_CONSTANT(type, name, value) constexpr type name = value;
TOLVEX_PLATFORM_CONSTANTS(TOLVEX_DEFINE_CONSTANT)
#undef TOLVEX_DEFINE_CONSTANT

// Not in <windows.h>: the framework's idle notification, sent by the modal loop when its queue
// is empty, and the caret-blink timer message.
constexpr unsigned WM_KICKIDLE = 0x036A;
constexpr unsigned WM_SYSTIMER = 0x0118;
}  // namespace win
