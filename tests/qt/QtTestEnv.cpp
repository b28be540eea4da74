#include "QtTestEnv.h"

#include "framework/Cp932.h"
#include "res/resource.h"

#include <QApplication>
#include <QMainWindow>
#include <QTest>

#include <fstream>

void CScriptedQtWindowSystem::RunModalLoop(HWND hDlg, HWND hOwner)
{
    auto* pDialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hDlg));
    if (pDialog == nullptr || pDialog->GetTemplateId() == IDD_MAIN) {
        CQtWindowSystem::RunModalLoop(hDlg, hOwner);
        return;
    }
    ++nModalDialogs;
    if (QWidget* pWidget = Widget(hDlg)) {
        pWidget->show();
    }
    if (onModalDialog) {
        onModalDialog(hDlg, *pDialog);
    } else {
        Dispatch(hDlg, WM_COMMAND, IDCANCEL);
    }
}

int CScriptedQtWindowSystem::MessageBox(HWND hOwner, const CString& strText, const CString& strCaption, UINT nType)
{
    messageBoxes.push_back({strText, strCaption, nType, hOwner != nullptr});
    if (!messageBoxAnswers.empty()) {
        const int nAnswer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
        return nAnswer;
    }
    return (nType & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}

CQtTestApp::CQtTestApp()
{
    app.SetWindowSystem(&ws);
    app.InitApplication("/opt/ruvelo2/RUVelo2");
}

CShownMainWindow::CShownMainWindow(CQtTestApp& testEnv) : env(testEnv)
{
    env.app.m_pMainWnd = &dlg;
    dlg.Attach(env.ws.CreateDialogWindow(dlg, nullptr));
    AfxCallWndProc(&dlg, WM_INITDIALOG, 0, 0);
    Window()->show();
    QApplication::setActiveWindow(Window());
    (void)QTest::qWaitForWindowExposed(Window());
    ProcessEvents();
}

CShownMainWindow::~CShownMainWindow() { Close(); }

QMainWindow* CShownMainWindow::Window() const { return qobject_cast<QMainWindow*>(env.ws.Widget(dlg.m_hWnd)); }

CTaskListView* CShownMainWindow::View() const { return qobject_cast<CTaskListView*>(env.ws.Widget(dlg.m_list.m_hWnd)); }

void CShownMainWindow::ProcessEvents()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

void CShownMainWindow::Close()
{
    if (m_bClosed) {
        return;
    }
    m_bClosed = true;
    if (dlg.m_hWnd != nullptr) {
        AfxCallWndProc(&dlg, WM_CLOSE, 0, 0);
        dlg.DestroyWindow();
    }
    ProcessEvents();
}

void WriteTaskFile(const std::string& strPath, const std::vector<std::string>& utf8Lines)
{
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    for (const std::string& line : utf8Lines) {
        out << cp932::FromUtf8(line) << "\r\n";
    }
}
