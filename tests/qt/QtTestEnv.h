#pragma once
// Offscreen tests of the real widgets. The main window is created and initialised as DoModal does
// and shown, without entering its modal loop, so a test sends it real key and mouse events.
// Modal dialogs run their real loop; the test's answer runs as the first thing inside that loop,
// with the dialog shown, focused and modal, and must end it. Message boxes and the context menu
// are answered from scripts. No timers, nothing that waits for a window.

#include "app/TaskApp.h"
#include "qt/QtWindowSystem.h"
#include "qt/TaskListView.h"
#include "ui/TaskListDlg.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <sys/types.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QMainWindow;

class CScriptedQtWindowSystem : public CQtWindowSystem {
public:
    struct MessageBoxCall {
        CString strText;
        CString strCaption;
        UINT nType;
        bool bOwned;
    };
    std::vector<MessageBoxCall> messageBoxes;
    std::deque<int> messageBoxAnswers;  // when empty: IDOK, or IDNO for Yes/No

    // Runs inside a dialog's modal loop, with the dialog's real widget shown and its first tab
    // stop focused; it must end the dialog (e.g. press Enter). Unset: the dialog is cancelled.
    // A dialog left open fails the test and is cancelled, so nothing hangs.
    std::function<void(HWND hDlg, CDialog& dlg)> onModalDialog;
    int nModalDialogs = 0;
    std::vector<UINT> dialogTemplates;  // the template of each dialog shown, in order

    struct PopupMenuCall {
        QPoint ptScreen;
        UINT nFlags;
        HWND hOwner;
        std::vector<UINT> commands;  // 0 for a separator
    };
    std::vector<PopupMenuCall> popupMenus;
    // The command chosen from each context menu; 0 or none left: dismissed.
    std::deque<UINT> popupChoices;
    // Shows the toolkit's own menu instead of answering from popupChoices; answer it with CWhenShown.
    bool bRealPopupMenus = false;

    std::vector<HWND> endedModalLoops;  // each window whose modal loop was ended, in order

    void RunModalLoop(HWND hDlg, HWND hOwner) override;
    void EndModalLoop(HWND hDlg) override;
    int MessageBox(HWND hOwner, const CString& strText, const CString& strCaption, UINT nType) override;
    BOOL TrackPopupMenu(std::span<const MENUITEMTEMPLATE> items, UINT nFlags, int x, int y, HWND hOwner) override;

    // A control of a dialog by its id, as a widget.
    [[nodiscard]] QWidget* Item(HWND hDlg, int nID) const;
    [[nodiscard]] QLineEdit* Edit(HWND hDlg, int nID) const;
};

struct CQtTestApp {
    CQtTestApp();
    CScriptedQtWindowSystem ws;
    CTaskApp app;
};

class CShownMainWindow {
public:
    explicit CShownMainWindow(CQtTestApp& env);
    ~CShownMainWindow();
    CShownMainWindow(const CShownMainWindow&) = delete;
    CShownMainWindow& operator=(const CShownMainWindow&) = delete;

    [[nodiscard]] QMainWindow* Window() const;
    [[nodiscard]] CTaskListView* View() const;
    // Lets posted messages and repaints happen.
    static void ProcessEvents();
    // A command as the menu bar delivers it, then the posted messages.
    void Command(UINT nID);
    // A key press and release at the widget with the keyboard focus, where the key filter sees
    // it first; text is what the key types, when it types something.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& strText = QString());
    void Close();

    // Each row's title as UTF-8, top to bottom; the selected rows; the focused row or -1.
    [[nodiscard]] std::vector<std::string> Titles() const;
    [[nodiscard]] std::vector<int> SelectedRows() const;
    [[nodiscard]] int FocusedRow() const;

    CQtTestApp& env;
    CTaskListDlg dlg;

private:
    bool m_bClosed = false;
};

// Runs the main window as the program does, DoModal with its real loop; inLoop runs first inside
// that loop, then the events it caused. A loop that is still running then is ended with WM_CLOSE.
struct ModalRun {
    INT_PTR nResult;
    bool bEndedInside;  // inLoop or what it caused ended the loop
};
ModalRun RunMainWindowModally(CQtTestApp& env, CTaskListDlg& dlg, const std::function<void()>& inLoop);

// Answers a popup of the toolkit (a menu, a message box) that the code under test runs with exec():
// when a top-level widget of the class is shown, onShown runs from the popup's own loop and must
// close it (trigger an action and hide the menu, click a button). A popup left open fails the
// test and is closed, so nothing hangs.
class CWhenShown : public QObject {
public:
    CWhenShown(const char* pszClassName, std::function<void(QWidget*)> onShown);
    ~CWhenShown() override;
    int nShown = 0;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    const char* m_pszClassName;
    std::function<void(QWidget*)> m_onShown;
};

// Writes the file bytes of a few tasks, code page 932, CR LF.
void WriteTaskFile(const std::string& strPath, const std::vector<std::string>& utf8Lines);
// The inode of a file, 0 when there is none: every save replaces the file, so a changed inode
// tells that the file was written.
ino_t FileInode(const std::string& strPath);
// UTF-8 of code page 932 bytes, for readable comparisons.
std::string Utf8(std::string_view bytes);
