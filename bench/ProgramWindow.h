#pragma once
// The real program's main window for benchmarks: created, initialised and shown offscreen as
// DoModal does, without entering its modal loop, so that a benchmark can time one command with
// the view update it causes. Dialogs and message boxes are answered at once, with no user time.

#include "app/TaskApp.h"
#include "qt/QtWindowSystem.h"
#include "qt/TaskListView.h"
#include "ui/TaskListDlg.h"

#include <QObject>

#include <memory>
#include <string>

// The Qt window system with its modal loops answered: the task entry dialog is confirmed, after
// the texts set below have been typed into it; a Yes/No box is answered Yes, any other box OK.
class CAnsweringQtWindowSystem : public CQtWindowSystem {
public:
    // What the next entry dialogs get typed into them before OK; bType false leaves the fields
    // as the dialog showed them.
    bool bType = false;
    CString strTitle;
    CString strImportance;
    CString strDetails;

    int nDialogs = 0;
    int nMessageBoxes = 0;
    int nErrorBoxes = 0;  // boxes with the stop icon: a file error
    CString strLastError;

    void RunModalLoop(HWND hDlg, HWND hOwner) override;
    int MessageBox(HWND hOwner, const CString& strText, const CString& strCaption, UINT nType) override;
};

// The application object with that window system, named as the installed program is.
struct CProgramApp {
    CProgramApp();
    CAnsweringQtWindowSystem ws;
    CTaskApp app;
};

// The main window over the current directory, as start-up leaves it, shown and painted.
class CProgramWindow {
public:
    explicit CProgramWindow(CProgramApp& env);
    ~CProgramWindow();
    CProgramWindow(const CProgramWindow&) = delete;
    CProgramWindow& operator=(const CProgramWindow&) = delete;

    [[nodiscard]] CTaskListView* View() const;
    [[nodiscard]] CListCtrl& List() { return dlg.m_list; }

    // Lets posted messages, deferred scroll-bar updates and pending paints happen.
    static void ProcessEvents();
    // A command as the menu bar delivers it, then the events it caused (deferred scroll-bar
    // updates, the paints) as the event loop handles them after a menu command, until the list
    // has been painted: everything the user waits for after choosing the command.
    void CommandWithViewUpdate(UINT nID);
    // The list emptied and the task file loaded again, as start-up leaves it; scrolled to the top,
    // nothing selected.
    void Reload();
    void Close();

    CProgramApp& env;
    CTaskListDlg dlg;

private:
    bool m_bClosed = false;
    std::unique_ptr<QObject> m_pPaintCounter;  // counts the list viewport's paints in m_nPaints
    int m_nPaints = 0;
};
