#pragma once
// The application object: it runs the main window as a modal dialog and ends when it closes.

#include "framework/Wnd.h"

class CTaskApp : public CWinApp {
public:
    CTaskApp() = default;

    // Runs the main window; always FALSE, so that no message loop of the framework's own follows.
    BOOL InitInstance() override;

    // Binds only the help command that F1 issues.
    BOOL OnCmdMsg(UINT nID) override;
};
