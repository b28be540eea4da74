#pragma once
// Basic types and constants of the application framework that RUVelo2 is written against.
// The values are the ones the program's resources, commands and stored behaviour rely on.

#include <cstdint>
#include <string>

using BOOL = int;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// All text is a byte string of code page 932.
using CString = std::string;

// Opaque handles handed out by the window system.
struct HWND__;
using HWND = HWND__*;
struct HFONT__;
using HFONT = HFONT__*;
struct HMENU__;
using HMENU = HMENU__*;
struct HICON__;
using HICON = HICON__*;
struct ACCELTABLE;
using HACCEL = const ACCELTABLE*;

struct CPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const CPoint&, const CPoint&) = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    [[nodiscard]] int Width() const { return right - left; }
    [[nodiscard]] int Height() const { return bottom - top; }
    friend bool operator==(const CRect&, const CRect&) = default;
};

constexpr unsigned LOWORD(std::uintptr_t v) { return static_cast<unsigned>(v & 0xFFFF); }
constexpr unsigned HIWORD(std::uintptr_t v) { return static_cast<unsigned>((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(int lo, int hi)
{
    return static_cast<LPARAM>((static_cast<unsigned>(lo) & 0xFFFF) | ((static_cast<unsigned>(hi) & 0xFFFF) << 16));
}

// Dialog results and message-box answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Message-box flags.
constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_YESNO = 0x0004;
constexpr UINT MB_TYPEMASK = 0x000F;
constexpr UINT MB_ICONSTOP = 0x0010;
constexpr UINT MB_ICONEXCLAMATION = 0x0030;
constexpr UINT MB_ICONINFORMATION = 0x0040;
constexpr UINT MB_ICONMASK = 0x00F0;
constexpr UINT MB_DEFBUTTON2 = 0x0100;
constexpr UINT MB_DEFMASK = 0x0F00;

// Window messages.
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_RBUTTONDOWN = 0x0204;

// Notification codes.
constexpr int NM_RCLICK = -5;

// System commands.
constexpr UINT SC_SIZE = 0xF000;
constexpr UINT SC_MOVE = 0xF010;
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_MAXIMIZE = 0xF030;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_RESTORE = 0xF120;

// Virtual keys.
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_F1 = 0x70;
constexpr UINT VK_F10 = 0x79;

// The modifier keys held down when a key message was made, as GetKeyState would
// report them at that moment. Carried in the message so that filtering is deterministic.
constexpr UINT MK_KEYSTATE_SHIFT = 0x01;
constexpr UINT MK_KEYSTATE_CONTROL = 0x02;
constexpr UINT MK_KEYSTATE_ALT = 0x04;

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    UINT nKeyState = 0;
};

struct NMHDR {
    HWND hwndFrom = nullptr;
    UINT_PTR idFrom = 0;
    int code = 0;
};

// Window positioning.
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

// Menus.
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;

// Device capabilities.
constexpr int LOGPIXELSY = 90;

// Help.
constexpr UINT HELP_CONTEXT = 0x0001;
constexpr DWORD HID_BASE_RESOURCE = 0x00020000;

// The framework's own command and string numbers.
constexpr UINT ID_HELP = 0xE146;
constexpr UINT AFX_IDS_UNNAMED_FILE = 0xF006;
constexpr UINT AFX_IDP_FAILED_TO_LAUNCH_HELP = 0xF107;
constexpr UINT AFX_IDP_FILE_NONE = 0xF1A0;  // plus the cause of a file error
