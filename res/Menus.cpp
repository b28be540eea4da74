// The menu bar and the context menu.
#include "framework/ResourceTypes.h"
#include "res/resource.h"

#include <array>

namespace res {
namespace {

constexpr MENUITEMTEMPLATE kSeparator{"", 0, {}};

constexpr std::array kTaskPopup = {
    MENUITEMTEMPLATE{"追加(&I)", ID_TASK_ADD, {}},
    MENUITEMTEMPLATE{"削除(&D)", ID_TASK_DELETE, {}},
    MENUITEMTEMPLATE{"編集(&E)", ID_TASK_EDIT, {}},
    kSeparator,
    MENUITEMTEMPLATE{"検索(&F)", ID_TASK_FIND, {}},
    kSeparator,
    MENUITEMTEMPLATE{"RUVeloの終了", ID_QUIT, {}},
};

constexpr std::array kSortPopup = {
    MENUITEMTEMPLATE{"重要度順(&J)", ID_SORT_IMPORTANCE, {}},
    MENUITEMTEMPLATE{"タイトル順(&T)", ID_SORT_TITLE, {}},
};

constexpr std::array kSettingsPopup = {
    MENUITEMTEMPLATE{"フォント大きく", ID_FONT_LARGER, {}},
    MENUITEMTEMPLATE{"フォント小さく", ID_FONT_SMALLER, {}},
    kSeparator,
    MENUITEMTEMPLATE{"すべてのタスクを消去", ID_TASK_DELETE_ALL, {}},
};

constexpr std::array kAboutPopup = {
    MENUITEMTEMPLATE{"バージョン情報", ID_VERSION_INFO, {}},
};

constexpr std::array kMainMenu = {
    MENUITEMTEMPLATE{"タスク(&T)", 0, kTaskPopup},
    MENUITEMTEMPLATE{"ソート(&S)", 0, kSortPopup},
    MENUITEMTEMPLATE{"設定", 0, kSettingsPopup},
    MENUITEMTEMPLATE{"about", 0, kAboutPopup},
};

constexpr std::array kContextPopup = {
    MENUITEMTEMPLATE{"重要度順で並べ換え", ID_POPUP_SORT_IMPORTANCE, {}},
    MENUITEMTEMPLATE{"タイトル順で並べ換え", ID_POPUP_SORT_TITLE, {}},
    kSeparator,
    MENUITEMTEMPLATE{"お仕事を追加", ID_POPUP_ADD, {}},
    MENUITEMTEMPLATE{"お仕事を編集", ID_POPUP_EDIT, {}},
    MENUITEMTEMPLATE{"お仕事を削除", ID_POPUP_DELETE, {}},
    kSeparator,
    MENUITEMTEMPLATE{"文字を大きく", ID_POPUP_FONT_LARGER, {}},
    MENUITEMTEMPLATE{"文字を小さく", ID_POPUP_FONT_SMALLER, {}},
};

// Only the popup's items are ever shown, never its title.
constexpr std::array kPopupMenu = {
    MENUITEMTEMPLATE{"PopupMenu", 0, kContextPopup},
};

constexpr std::array kMenus = {
    MENUTEMPLATE{IDR_MAIN_MENU, kMainMenu},
    MENUTEMPLATE{IDR_POPUP_MENU, kPopupMenu},
};

} // namespace

const MENUTEMPLATE* FindMenu(UINT id)
{
    for (const MENUTEMPLATE& menu : kMenus) {
        if (menu.id == id) {
            return &menu;
        }
    }
    return nullptr;
}

} // namespace res
