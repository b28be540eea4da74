#pragma once
// The steps that undo and redo go through. A step holds what its command changed and nothing
// more: the row it added, the rows it removed, a sort's permutation; only Delete all keeps the
// whole table it emptied, moved aside rather than copied.

#include "framework/ListCtrl.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// Which rows were selected, which one focused and where the selection mark stood.
struct CListSelection {
    std::vector<int> anSelected;
    int nFocused = -1;
    int nMark = -1;

    static CListSelection Of(const CListCtrl& list);
    void ApplyTo(CListCtrl& list) const;
};

struct CUndoStep {
    enum class Kind { Add, Edit, Delete, DeleteAll, Sort };

    explicit CUndoStep(Kind k) : kind(k) {}

    Kind kind;
    // Add, Edit, Sort: the selection before the command, which undo gives back.
    CListSelection before;
    // Edit: the row replaced. Delete: the rows removed.
    CListRowSet removed;
    // Add, Edit: the row the command appended, at its place.
    CListRowSet added;
    // Delete all: the rows it removed, with their flags.
    std::unique_ptr<CListCtrl> pRemovedTable;
    // Sort: where each row went; empty when no row moved. The keys before the sort, by old
    // position; empty when they were the positions.
    std::vector<int> anNewPosition;
    std::vector<std::int32_t> anOldKeys;

    // Whether the command wrote the task file, so that undoing and redoing it write it too.
    [[nodiscard]] bool Saves() const { return kind != Kind::Sort; }
};

class CUndoHistory {
public:
    // The steps kept; the oldest go first.
    static constexpr std::size_t kMaxSteps = 100;

    // A new change: it can be undone, and what had been undone can no longer be redone.
    void Record(CUndoStep step);
    void Clear();

    // The step to undo, moved to the redo side; nullptr when there is none.
    CUndoStep* Undo();
    // The step to redo, moved back to the undo side; nullptr when there is none.
    CUndoStep* Redo();

private:
    std::deque<CUndoStep> m_undo;
    std::deque<CUndoStep> m_redo;
};
