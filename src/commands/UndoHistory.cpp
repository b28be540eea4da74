#include "commands/UndoHistory.h"

CListSelection CListSelection::Of(const CListCtrl& list)
{
    CListSelection selection;
    for (int i = list.GetNextItem(-1, LVNI_SELECTED); i != -1; i = list.GetNextItem(i, LVNI_SELECTED)) {
        selection.anSelected.push_back(i);
    }
    selection.nFocused = list.GetNextItem(-1, LVNI_FOCUSED);
    selection.nMark = list.GetSelectionMark();
    return selection;
}

void CListSelection::ApplyTo(CListCtrl& list) const { list.SetSelection(anSelected, nFocused, nMark); }

void CUndoHistory::Record(CUndoStep step)
{
    m_redo.clear();
    m_undo.push_back(std::move(step));
    while (m_undo.size() > kMaxSteps) {
        m_undo.pop_front();
    }
}

void CUndoHistory::Clear()
{
    m_undo.clear();
    m_redo.clear();
}

CUndoStep* CUndoHistory::Undo()
{
    if (m_undo.empty()) {
        return nullptr;
    }
    m_redo.push_back(std::move(m_undo.back()));
    m_undo.pop_back();
    return &m_redo.back();
}

CUndoStep* CUndoHistory::Redo()
{
    if (m_redo.empty()) {
        return nullptr;
    }
    m_undo.push_back(std::move(m_redo.back()));
    m_redo.pop_back();
    return &m_undo.back();
}
