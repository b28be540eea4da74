// Add, edit, delete and delete all. Add, Edit and Delete write the task file on every path, also
// after a cancel; Delete all writes it only when the user confirmed.
#include "framework/Cp932.h"
#include "framework/Decimal.h"
#include "ui/TaskListDlg.h"

namespace {

constexpr UINT kBothStates = LVIS_SELECTED | LVIS_FOCUSED;

} // namespace

void CTaskListDlg::OnTaskAdd()
{
    m_entryDlg.ResetEntryFields();
    if (m_entryDlg.DoModal() == IDOK) {
        CUndoStep step(CUndoStep::Kind::Add);
        step.before = CListSelection::Of(m_list);
        m_list.SetItemState(-1, 0, kBothStates);
        const int nImportance = ReadDecimalOrZero(m_entryDlg.m_strImportance);
        AppendTask(m_entryDlg.m_strTitle.c_str(), nImportance, m_entryDlg.m_strDetails.c_str());
        AutoSizeColumns();
        const int nLast = m_list.GetItemCount() - 1;
        m_list.SetItemState(nLast, kBothStates, kBothStates);
        m_list.EnsureVisible(nLast, TRUE);
        m_list.CopyRow(nLast, step.added);
        m_undo.Record(std::move(step));
    }
    SaveTasks();
}

void CTaskListDlg::OnTaskEdit()
{
    const int nItem = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (nItem != -1) {
        m_entryDlg.ResetEntryFields();
        m_entryDlg.m_strTitle = m_list.GetItemText(nItem, 0);
        m_entryDlg.m_strImportance = m_list.GetItemText(nItem, 1);
        m_entryDlg.m_strDetails = m_list.GetItemText(nItem, 2);
        if (m_entryDlg.DoModal() == IDOK) {
            CUndoStep step(CUndoStep::Kind::Edit);
            step.before = CListSelection::Of(m_list);
            m_list.CopyRow(nItem, step.removed);
            const int nImportance = ReadDecimalOrZero(m_entryDlg.m_strImportance);
            AppendTask(m_entryDlg.m_strTitle.c_str(), nImportance, m_entryDlg.m_strDetails.c_str());
            // Only the row that the dialog showed is replaced: other selected rows, such as the
            // rest of a Find's matches, stay where they are.
            m_list.DeleteItem(nItem);
            m_list.CopyRow(m_list.GetItemCount() - 1, step.added);
            m_undo.Record(std::move(step));
            SaveTasks();
            const int nLast = m_list.GetItemCount() - 1;
            m_list.SetItemState(-1, 0, kBothStates);
            m_list.SetItemState(nLast, kBothStates, kBothStates);
            AutoSizeColumns();
            m_list.EnsureVisible(nLast, TRUE);
            return;  // the rows have not changed since that write, so a second one would add nothing
        }
    }
    SaveTasks();
}

void CTaskListDlg::OnTaskDelete() { DeleteSelectedTasks(); }

void CTaskListDlg::DeleteSelectedTasks()
{
    CUndoStep step(CUndoStep::Kind::Delete);
    if (m_list.DeleteSelectedItems(&step.removed) > 0) {
        m_undo.Record(std::move(step));
    }
    SaveTasks();
}

void CTaskListDlg::OnTaskDeleteAll()
{
    const CString strCaption = cp932::FromUtf8("全削除の確認");
    if (MessageBox(cp932::FromUtf8("すべてのお仕事を削除していいですか？"), &strCaption,
                   MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2) != IDYES) {
        return;
    }
    // The rows are moved aside whole for undo, which costs nothing, rather than copied.
    if (m_list.GetItemCount() > 0) {
        CUndoStep step(CUndoStep::Kind::DeleteAll);
        step.pRemovedTable = std::make_unique<CListCtrl>();
        m_list.SwapRows(*step.pRemovedTable);
        m_undo.Record(std::move(step));
    }
    m_list.DeleteAllItems();
    MessageBox(cp932::FromUtf8("すべてのお仕事を消してしまいました。"));
    SaveTasks();
}
