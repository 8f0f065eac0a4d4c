// Handles and records the portable code passes to and from the platform. They mirror the
// operating system's own types closely enough for the Win32 side to translate one to one.
#pragma once

#include <cstdint>

using WindowHandle = void*;
using MenuHandle = void*;
using IconHandle = void*;
using DeviceContext = void*;

struct Point {
    long x = 0;
    long y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    long left = 0;
    long top = 0;
    long right = 0;
    long bottom = 0;
};

// A queued message as the message loop sees it.
struct Message {
    WindowHandle hwnd = nullptr;
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    Point pt;
};

// The operating system's version as the platform reports it to this program.
struct OsVersionInfo {
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
};

// The notification-area icon record, the fields the program sets. The Win32 side copies it into
// the platform's record, whose size field is the record's full size for the build.
struct NotifyIconRecord {
    WindowHandle hWnd = nullptr;
    unsigned uID = 0;
    unsigned uFlags = 0;
    unsigned uCallbackMessage = 0;
    IconHandle hIcon = nullptr;
    char16_t szTip[128] = {};
};
