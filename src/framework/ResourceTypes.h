#pragma once
// The shapes of the program's resources (menus, accelerators, dialog templates, icons, strings).
// The resources themselves are plain data in res/; texts there are UTF-8 and become code page 932
// when the program loads them.

#include "framework/Afx.h"

#include <cstdint>
#include <span>
#include <string_view>

// Window and control styles that the dialog templates use.
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD DS_MODALFRAME = 0x00000080;
constexpr DWORD DS_SETFONT = 0x00000040;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;

constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_OEMCONVERT = 0x0400;
constexpr DWORD ES_NUMBER = 0x2000;
constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD SS_ICON = 0x0003;
constexpr DWORD SS_NOPREFIX = 0x0080;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD LVS_REPORT = 0x0001;
constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;

enum class CtlClass { Static, Edit, Button, ListView };

struct DLGITEMTEMPLATE {
    CtlClass cls;
    int id;                 // -1 for a control without an id
    std::string_view text;  // UTF-8; for an icon, empty and iconId names it
    short x, y, cx, cy;     // dialog units
    DWORD style;
    UINT iconId = 0;
};

struct DLGTEMPLATE {
    UINT id;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;  // dialog units; cx and cy are the client area
    UINT menuId;         // 0 for none
    std::string_view caption;
    int pointSize;
    std::string_view faceName;
    std::span<const DLGITEMTEMPLATE> items;
};

struct MENUITEMTEMPLATE {
    std::string_view text;  // UTF-8, "&" before the mnemonic letter; empty for a separator
    UINT id;                // 0 for a separator or a popup
    std::span<const MENUITEMTEMPLATE> popup;
    [[nodiscard]] bool IsSeparator() const { return text.empty() && popup.empty(); }
    [[nodiscard]] bool IsPopup() const { return !popup.empty(); }
};

struct MENUTEMPLATE {
    UINT id;
    std::span<const MENUITEMTEMPLATE> items;
};

// Accelerator flags.
constexpr std::uint8_t FVIRTKEY = 0x01;
constexpr std::uint8_t FNOINVERT = 0x02;
constexpr std::uint8_t FSHIFT = 0x04;
constexpr std::uint8_t FCONTROL = 0x08;
constexpr std::uint8_t FALT = 0x10;

struct ACCEL {
    std::uint8_t fVirt;
    std::uint16_t key;
    std::uint16_t cmd;
};

struct ACCELTABLE {
    UINT id;
    std::span<const ACCEL> entries;
};

// An icon image as rows of palette indices: '0'-'9', 'A'-'F' name the 16 standard colours,
// '.' is transparent.
struct ICONIMAGE {
    int size;
    std::span<const std::string_view> rows;
};

struct ICONTEMPLATE {
    UINT id;
    std::span<const ICONIMAGE> images;
};

struct STRINGRESOURCE {
    UINT id;
    std::string_view text;  // UTF-8
};

// The 16 standard colours of a 16-colour icon, as 0xRRGGBB.
constexpr std::uint32_t kIconPalette[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// Lookup into the program's resources; each returns nullptr for an id that is not there.
namespace res {
const DLGTEMPLATE* FindDialog(UINT id);
const MENUTEMPLATE* FindMenu(UINT id);
const ACCELTABLE* FindAccelerators(UINT id);
const ICONTEMPLATE* FindIcon(UINT id);
const STRINGRESOURCE* FindString(UINT id);
std::span<const STRINGRESOURCE> AllStrings();
} // namespace res
