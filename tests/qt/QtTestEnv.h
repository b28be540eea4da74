#pragma once
// Offscreen tests of the real widgets. The main window is created and initialised as DoModal does
// and shown, without entering its modal loop, so a test sends it real key and mouse events.
// Modal dialogs and message boxes inside commands are answered by the test through the two
// virtuals below instead of a nested loop: no timers, nothing that waits for a window.

#include "app/TaskApp.h"
#include "qt/QtWindowSystem.h"
#include "qt/TaskListView.h"
#include "ui/TaskListDlg.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

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

    // Runs in place of a dialog's modal loop, with the dialog's real widget made and initialised;
    // it must end the dialog (e.g. click OK). Unset: the dialog is cancelled.
    std::function<void(HWND hDlg, CDialog& dlg)> onModalDialog;
    int nModalDialogs = 0;

    void RunModalLoop(HWND hDlg, HWND hOwner) override;
    int MessageBox(HWND hOwner, const CString& strText, const CString& strCaption, UINT nType) override;
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
    void Close();

    CQtTestApp& env;
    CTaskListDlg dlg;

private:
    bool m_bClosed = false;
};

// Writes the file bytes of a few tasks, code page 932, CR LF.
void WriteTaskFile(const std::string& strPath, const std::vector<std::string>& utf8Lines);
