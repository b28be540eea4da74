// Find: selects every task whose title contains the text, adding to the selection.
#include "framework/Cp932.h"
#include "ui/TaskListDlg.h"

void CTaskListDlg::OnTaskFind()
{
    m_nFindPos = 0;
    m_strFind.clear();
    // The dialog opens with whatever its fields hold from their last use.
    if (m_entryDlg.DoModal() != IDOK) {
        return;
    }
    m_strFind = m_entryDlg.m_strTitle;
    SelectMatchingTasks();
}

void CTaskListDlg::SelectMatchingTasks()
{
    bool bMatched = false;
    const int nCount = m_list.GetItemCount();
    for (; m_nFindPos < nCount; ++m_nFindPos) {
        if (cp932::Find(m_list.GetItemText(m_nFindPos, 0), m_strFind) != -1) {
            bMatched = true;
            m_list.SetSelectionMark(m_nFindPos);
            m_list.EnsureVisible(m_nFindPos, TRUE);
            m_list.SetItemState(m_nFindPos, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        }
    }
    if (!bMatched) {
        MessageBox(cp932::FromUtf8("見つかりません"));
    }
}
