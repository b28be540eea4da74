#pragma once
// The main window: a resizable dialog holding the task list, and every command of the program.
// Its members are defined by concern: model/ (task list, task file, settings), commands/ (add,
// edit, delete, sort, find), ui/ (start-up, shutdown, font, routing).

#include "commands/UndoHistory.h"
#include "framework/FileException.h"
#include "framework/FileStamp.h"
#include "framework/FileWatch.h"
#include "framework/ListCtrl.h"
#include "framework/Wnd.h"
#include "ui/AboutDlg.h"
#include "ui/TaskEntryDlg.h"

#include <optional>
#include <span>
#include <string_view>

class CTaskListDlg : public CDialog {
public:
    explicit CTaskListDlg(CWnd* pParent = nullptr);
    ~CTaskListDlg() override;
    CTaskListDlg(const CTaskListDlg&) = delete;
    CTaskListDlg& operator=(const CTaskListDlg&) = delete;

    // Start-up and shutdown.
    BOOL OnInitDialog() override;
    BOOL DestroyWindow() override;
    BOOL CheckAutoCenter() override;
    void InsertColumns();
    void LayoutList();

    // The task list.
    void AppendTask(const char* lpszTitle, int nImportance, const char* lpszDetails);
    void AutoSizeColumns();

    // The task file and the settings file.
    void LoadTasks();
    void SaveTasks();
    void LoadSettings();
    void SaveSettings();

    // Commands.
    void OnTaskAdd();
    void OnTaskEdit();
    void OnTaskDelete();
    void OnTaskDeleteAll();
    void DeleteSelectedTasks();
    void OnSortImportance();
    void OnSortTitle();
    void OnTaskFind();
    void SelectMatchingTasks();
    void ApplyListFont();
    void OnFontLarger();
    void OnFontSmaller();
    void OnAbout();
    void OnExit();
    // Undo and redo of the changes to the task list.
    void OnEditUndo();
    void OnEditRedo();

    // The task file as another program may change it: looked at when it may have changed, loaded
    // again when it did, and asked about before a save would overwrite such a change.
    void CheckTaskFileOnDisk();
    void ReloadTasks();

    static int CompareImportance(const CListRow& row1, const CListRow& row2, LPARAM lParamSort);
    static int CompareTitle(const CListRow& row1, const CListRow& row2, LPARAM lParamSort);

    // The key filter: Esc and Enter are swallowed, then the accelerators apply.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    CTaskEntryDlg m_entryDlg;
    HACCEL m_hAccel = nullptr;
    CListCtrl m_list;
    HICON m_hIcon = nullptr;
    int m_nFontSize;
    int m_nFindPos = 0;
    CString m_strFind;
    CString m_szDataDir;
    int m_nNewRow = 0;
    CUndoHistory m_undo;

    // Longest texts a row keeps, in bytes.
    static constexpr std::size_t kMaxTitle = 255;
    static constexpr std::size_t kMaxDetails = 1023;
    // The list font size when the settings file gives none, in tenths of a point.
    static constexpr int kDefaultFontSize = 120;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCmdMsg(UINT nID) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnSysCommand(UINT nID, LPARAM lParam) override;
    void OnRButtonDown(UINT nFlags, CPoint point) override;
    void OnClose() override;
    void OnRClickTaskList(NMHDR* pNMHDR, LRESULT* pResult);

    // One forwarding member per accelerator and context-menu number; the context menu's edit and
    // delete share those of Ctrl+E and Ctrl+D.
    void OnAccelAdd();
    void OnAccelEdit();
    void OnAccelDelete();
    void OnAccelDelete2();
    void OnAccelSortImportance();
    void OnAccelSortTitle();
    void OnAccelFind();
    void OnPopupSortImportance();
    void OnPopupSortTitle();
    void OnPopupAdd();
    void OnPopupFontLarger();
    void OnPopupFontSmaller();

private:
    struct CommandEntry {
        UINT nID;
        void (CTaskListDlg::*pfn)();
    };
    static const CommandEntry s_commands[];

    void CaptureDataDirectory();
    [[nodiscard]] CString TaskFilePath(bool bForWriting) const;
    [[nodiscard]] CString SettingsFilePath() const;
    void RenumberKeys();
    void SortWithUndo(PFNLVCOMPARE pfnCompare, const LVSORTKEY& key);
    void ApplyUndo(CUndoStep& step);
    void ApplyRedo(CUndoStep& step);
    void SelectRestoredRows(int nFirst, std::span<const int> anRows);

    void StartWatchingTaskFile();
    void RememberTaskFile(const CString& strPath);
    void OnTaskFileEvent();
    void ConfirmOverwriteOfChangedFile(const CString& strPath);

    // The task file as the program last loaded or saved it, and the watch that says when to look.
    CFileStamp m_taskFileStamp;
    CFileWatch m_taskFileWatch;
    bool m_bTaskFileCheckQueued = false;
    bool m_bReloadFailureShown = false;

    // Set when the task file exists but was not read whole: from then on no save may replace it.
    std::optional<CFileException> m_loadFailure;
    // Set when a start-up step failed but the start went on; the window then stays top-left.
    bool m_bStartFailed = false;
};
