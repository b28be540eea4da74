// Changes that another program makes to the task file: a text editor, a sync tool bringing an
// edit from another machine, or a second RUVelo2 in the same directory. While no command runs,
// such a change is loaded as soon as the file is closed or renamed into place; a save that would
// overwrite one asks first.
#include "framework/Cp932.h"
#include "framework/DescriptorWatch.h"
#include "ui/TaskListDlg.h"

#include <string>

namespace {

constexpr std::string_view kTaskFileName = "ruvelo.csv";

} // namespace

CTaskListDlg::~CTaskListDlg()
{
    if (IDescriptorWatch* pWatch = AfxGetDescriptorWatch(); pWatch != nullptr && m_taskFileWatch.GetDescriptor() >= 0) {
        pWatch->Unwatch(m_taskFileWatch.GetDescriptor());
    }
}

void CTaskListDlg::StartWatchingTaskFile()
{
    IDescriptorWatch* pWatch = AfxGetDescriptorWatch();
    if (pWatch == nullptr || !m_taskFileWatch.Open(m_szDataDir.c_str(), kTaskFileName)) {
        return;  // the program works as before, and a save still asks about a changed file
    }
    pWatch->Watch(m_taskFileWatch.GetDescriptor(), [this] { OnTaskFileEvent(); });
}

void CTaskListDlg::RememberTaskFile(const CString& strPath)
{
    m_taskFileStamp = CFileStamp::Take(strPath.c_str());
    m_taskFileWatch.WatchFile(strPath.c_str());
}

void CTaskListDlg::OnTaskFileEvent()
{
    if (!m_taskFileWatch.ReadEvents() || m_bTaskFileCheckQueued) {
        return;
    }
    // Not while a command, dialog, box or menu is open: the command would find its rows gone.
    // A save at its end asks about the change instead.
    m_bTaskFileCheckQueued = true;
    AfxCallWhenIdle([this] {
        m_bTaskFileCheckQueued = false;
        if (m_hWnd != nullptr) {  // not once the window has closed
            CheckTaskFileOnDisk();
        }
    });
}

void CTaskListDlg::CheckTaskFileOnDisk()
{
    // After a failed reload the file is tried again whatever its stamp, since a change of rights
    // alone may have made it readable.
    const CString strPath = TaskFilePath(false);
    if (m_taskFileStamp.ChangedOnDisk(strPath.c_str()) || (m_loadFailure && CFileStamp::Take(strPath.c_str()).Exists())) {
        ReloadTasks();
    }
}

void CTaskListDlg::ReloadTasks()
{
    // The rows are set aside while the file loads, so that a file that cannot be read whole
    // leaves the list as it was.
    CListCtrl kept;
    m_list.SwapRows(kept);
    try {
        LoadTasks();
    } catch (const CFileException& e) {
        m_list.DeleteAllItems();
        m_list.SwapRows(kept);
        if (e.m_cause == CFileException::fileNotFound && !m_loadFailure) {
            return;  // gone in the meantime: the list stays, and the next save makes the file again
        }
        // Reported once, until a reload reads the file whole; saves are refused meanwhile.
        if (!m_bReloadFailureShown) {
            m_bReloadFailureShown = true;
            AfxGetApp()->ProcessWndProcException(e);
        }
        return;
    }
    m_loadFailure.reset();
    m_bReloadFailureShown = false;
    m_undo.Clear();
    AutoSizeColumns();
}

void CTaskListDlg::ConfirmOverwriteOfChangedFile(const CString& strPath)
{
    if (!m_taskFileStamp.ChangedOnDisk(strPath.c_str())) {
        return;
    }
    std::string strText = cp932::FromUtf8("%1 は他のプログラムによって変更されています。上書きしますか？");
    strText.replace(strText.find("%1"), 2, FileNameForDisplay(strPath));
    if (MessageBox(strText, nullptr, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES) {
        return;
    }
    // The other program's version stands; the command's change goes with the rows it replaces.
    ReloadTasks();
    throw CUserException();
}
