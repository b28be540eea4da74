// The dialog templates, in dialog units.
#include "framework/ResourceTypes.h"
#include "res/resource.h"

#include <array>

namespace res {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

constexpr std::array kMainItems = {
    DLGITEMTEMPLATE{CtlClass::ListView, IDC_TASK_LIST, "List1", 7, 7, 306, 186,
                    kChild | WS_BORDER | WS_TABSTOP | LVS_SHOWSELALWAYS | LVS_REPORT},
};

constexpr std::array kEntryItems = {
    DLGITEMTEMPLATE{CtlClass::Static, -1, "タイトル(&T)", 24, 15, 32, 8, kChild | SS_LEFT | WS_GROUP},
    DLGITEMTEMPLATE{CtlClass::Edit, IDC_TITLE, "", 24, 32, 269, 14, kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
    DLGITEMTEMPLATE{CtlClass::Static, -1, "重要度(&J) 0～9の数字", 24, 55, 67, 8, kChild | SS_LEFT | WS_GROUP},
    DLGITEMTEMPLATE{CtlClass::Edit, IDC_IMPORTANCE, "", 24, 72, 40, 14,
                    kChild | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_OEMCONVERT | ES_CENTER},
    DLGITEMTEMPLATE{CtlClass::Static, -1, "詳細(&S)", 24, 95, 23, 8, kChild | SS_LEFT | WS_GROUP},
    DLGITEMTEMPLATE{CtlClass::Edit, IDC_DETAILS, "", 24, 112, 263, 14, kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
    DLGITEMTEMPLATE{CtlClass::Button, IDOK, "OK", 184, 139, 50, 14, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON},
    DLGITEMTEMPLATE{CtlClass::Button, IDCANCEL, "ｷｬﾝｾﾙ", 242, 139, 50, 14, kChild | WS_TABSTOP},
};

constexpr std::array kAboutItems = {
    DLGITEMTEMPLATE{CtlClass::Static, -1, "", 11, 17, 20, 20, kChild | SS_ICON, IDI_APP},
    DLGITEMTEMPLATE{CtlClass::Static, -1, "RUVelo Version 1.05a", 40, 14, 119, 8, kChild | SS_LEFT | SS_NOPREFIX | WS_GROUP},
    DLGITEMTEMPLATE{CtlClass::Static, -1, "あなたのお仕事を、いつも手元に。", 40, 30, 119, 8, kChild | SS_LEFT | WS_GROUP},
    DLGITEMTEMPLATE{CtlClass::Button, IDOK, "OK", 171, 16, 50, 14, kChild | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON},
};

constexpr DWORD kModal = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

constexpr std::array kDialogs = {
    DLGTEMPLATE{IDD_MAIN,
                WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_SETFONT,
                WS_EX_APPWINDOW, 0, 0, 320, 200, IDR_MAIN_MENU, "RUVelo", 14, "ＭＳ ゴシック", kMainItems},
    DLGTEMPLATE{IDD_TASK_ENTRY, kModal, 0, 0, 0, 320, 167, 0, "ダイアログ", 16, "ＭＳ Ｐゴシック", kEntryItems},
    DLGTEMPLATE{IDD_ABOUTBOX, kModal, 0, 0, 0, 235, 55, 0, "RUVelo2のﾊﾞｰｼﾞｮﾝ情報", 9, "ＭＳ Ｐゴシック", kAboutItems},
};

} // namespace

const DLGTEMPLATE* FindDialog(UINT id)
{
    for (const DLGTEMPLATE& dlg : kDialogs) {
        if (dlg.id == id) {
            return &dlg;
        }
    }
    return nullptr;
}

} // namespace res
