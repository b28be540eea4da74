// Undo and redo. Undoing gives back the rows exactly as they were, keys and bytes included;
// redoing gives back what the command had made. A step whose command wrote the task file writes
// it again, through the same save and its checks; a sort's step writes nothing, as a sort does.
#include "ui/TaskListDlg.h"

#include <numeric>

namespace {

constexpr UINT kBothStates = LVIS_SELECTED | LVIS_FOCUSED;

std::vector<int> Positions(const CListRowSet& rows)
{
    std::vector<int> anPositions(static_cast<std::size_t>(rows.GetCount()));
    for (int i = 0; i < rows.GetCount(); ++i) {
        anPositions[static_cast<std::size_t>(i)] = rows.GetPosition(i);
    }
    return anPositions;
}

} // namespace

void CTaskListDlg::OnEditUndo()
{
    CUndoStep* pStep = m_undo.Undo();
    if (pStep == nullptr) {
        return;
    }
    const bool bSaves = pStep->Saves();
    ApplyUndo(*pStep);
    // The save may ask about the file or fail; the list keeps the undone state either way, as a
    // failing command keeps its change.
    if (bSaves) {
        SaveTasks();
    }
}

void CTaskListDlg::OnEditRedo()
{
    CUndoStep* pStep = m_undo.Redo();
    if (pStep == nullptr) {
        return;
    }
    const bool bSaves = pStep->Saves();
    ApplyRedo(*pStep);
    if (bSaves) {
        SaveTasks();
    }
}

void CTaskListDlg::SelectRestoredRows(int nFirst, std::span<const int> anRows)
{
    m_list.SetSelection(anRows, nFirst, nFirst);
    m_list.EnsureVisible(nFirst, TRUE);
}

void CTaskListDlg::ApplyUndo(CUndoStep& step)
{
    switch (step.kind) {
    case CUndoStep::Kind::Add:
        m_list.DeleteItem(m_list.GetItemCount() - 1);
        step.before.ApplyTo(m_list);
        AutoSizeColumns();
        break;
    case CUndoStep::Kind::Edit:
        m_list.DeleteItem(m_list.GetItemCount() - 1);
        m_list.InsertRows(step.removed);
        step.before.ApplyTo(m_list);
        AutoSizeColumns();
        break;
    case CUndoStep::Kind::Delete: {
        m_list.InsertRows(step.removed);
        const std::vector<int> anRestored = Positions(step.removed);
        SelectRestoredRows(anRestored.front(), anRestored);
        AutoSizeColumns();
        break;
    }
    case CUndoStep::Kind::DeleteAll: {
        m_list.SwapRows(*step.pRemovedTable);
        std::vector<int> anRestored(static_cast<std::size_t>(m_list.GetItemCount()));
        std::iota(anRestored.begin(), anRestored.end(), 0);
        SelectRestoredRows(0, anRestored);
        AutoSizeColumns();
        break;
    }
    case CUndoStep::Kind::Sort:
        if (!step.anNewPosition.empty()) {
            std::vector<int> anOldPosition(step.anNewPosition.size());
            for (std::size_t i = 0; i < step.anNewPosition.size(); ++i) {
                anOldPosition[static_cast<std::size_t>(step.anNewPosition[i])] = static_cast<int>(i);
            }
            m_list.ReorderRows(anOldPosition);
        }
        if (step.anOldKeys.empty()) {
            RenumberKeys();
        } else {
            for (int i = 0; i < m_list.GetItemCount(); ++i) {
                m_list.SetItem(i, 0, LVIF_PARAM, nullptr, 0, 0, 0, step.anOldKeys[static_cast<std::size_t>(i)]);
            }
        }
        step.before.ApplyTo(m_list);
        break;
    }
}

void CTaskListDlg::ApplyRedo(CUndoStep& step)
{
    switch (step.kind) {
    case CUndoStep::Kind::Add:
    case CUndoStep::Kind::Edit: {
        if (step.kind == CUndoStep::Kind::Edit) {
            m_list.DeleteItem(step.removed.GetPosition(0));
        }
        m_list.SetItemState(-1, 0, kBothStates);
        m_list.InsertRows(step.added);
        const int nLast = m_list.GetItemCount() - 1;
        m_list.SetItemState(nLast, kBothStates, kBothStates);
        AutoSizeColumns();
        m_list.EnsureVisible(nLast, TRUE);
        break;
    }
    case CUndoStep::Kind::Delete: {
        const std::vector<int> anGoing = Positions(step.removed);
        m_list.SetSelection(anGoing, m_list.GetNextItem(-1, LVNI_FOCUSED), m_list.GetSelectionMark());
        m_list.DeleteSelectedItems();
        break;
    }
    case CUndoStep::Kind::DeleteAll:
        m_list.SwapRows(*step.pRemovedTable);
        m_list.DeleteAllItems();
        break;
    case CUndoStep::Kind::Sort:
        if (!step.anNewPosition.empty()) {
            m_list.ReorderRows(step.anNewPosition);
        }
        RenumberKeys();
        break;
    }
}
