// Window messages, styles and codes the portable code uses, with the platform's values. The
// Win32 side never includes this file: there the platform's own macros of the same names rule.
#pragma once

#include <cstdint>

namespace win {
constexpr unsigned WM_NULL = 0x0000;
constexpr unsigned WM_DESTROY = 0x0002;
constexpr unsigned WM_SETTEXT = 0x000C;
constexpr unsigned WM_PAINT = 0x000F;
constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_QUERYDRAGICON = 0x0037;
constexpr unsigned WM_ICONERASEBKGND = 0x0027;
constexpr unsigned WM_NEXTDLGCTL = 0x0028;
constexpr unsigned WM_SETICON = 0x0080;
constexpr unsigned WM_NCMOUSEMOVE = 0x00A0;
constexpr unsigned WM_KEYDOWN = 0x0100;
constexpr unsigned WM_INITDIALOG = 0x0110;
constexpr unsigned WM_COMMAND = 0x0111;
constexpr unsigned WM_SYSCOMMAND = 0x0112;
constexpr unsigned WM_TIMER = 0x0113;
constexpr unsigned WM_SYSTIMER = 0x0118;  // the caret-blink timer
constexpr unsigned WM_MOUSEMOVE = 0x0200;
constexpr unsigned WM_LBUTTONDOWN = 0x0201;
constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_KICKIDLE = 0x036A;  // sent by the modal loop when its queue is empty
constexpr unsigned WM_USER = 0x0400;

constexpr unsigned SC_MINIMIZE = 0xF020;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

constexpr int ICON_SMALL = 0;
constexpr int ICON_BIG = 1;

constexpr long WS_EX_APPWINDOW = 0x00040000;
constexpr long WS_EX_LAYERED = 0x00080000;
constexpr unsigned LWA_ALPHA = 0x2;

constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;

constexpr unsigned NIM_ADD = 0;
constexpr unsigned NIM_MODIFY = 1;
constexpr unsigned NIM_DELETE = 2;
constexpr unsigned NIF_MESSAGE = 1;
constexpr unsigned NIF_ICON = 2;
constexpr unsigned NIF_TIP = 4;

constexpr unsigned TPM_RIGHTBUTTON = 0x0002;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONSTOP = MB_ICONHAND;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONMASK = 0xF0;

constexpr std::uint32_t KEY_READ = 0x20019;
constexpr std::uint32_t KEY_WRITE = 0x20006;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;
constexpr std::uint32_t REG_MULTI_SZ = 7;

constexpr unsigned long ERROR_SUCCESS = 0;
constexpr unsigned long ERROR_FILE_NOT_FOUND = 2;
constexpr unsigned long ERROR_ACCESS_DENIED = 5;
constexpr unsigned long ERROR_SHARING_VIOLATION = 32;
constexpr unsigned long ERROR_HANDLE_EOF = 38;
constexpr unsigned long ERROR_BUFFER_OVERFLOW = 111;
constexpr unsigned long ERROR_DISK_FULL = 112;
constexpr unsigned long ERROR_ALREADY_EXISTS = 183;
constexpr unsigned long ERROR_NO_DATA = 232;
constexpr int WSAVERNOTSUPPORTED = 10092;
constexpr unsigned ICC_WIN95_CLASSES = 0xFF;
}  // namespace win
