#pragma once
// The item-model face of the task table. The table stays the single truth: this adapter turns
// its announcements into the toolkit's model signals, and the user's clicks and keys come back
// into it through UserSelect alone.

#include "framework/ListCtrl.h"

#include <QAbstractTableModel>

class CTaskTableModel : public QAbstractTableModel, public IListCtrlObserver {
    Q_OBJECT
public:
    // The row's LVIS_SELECTED | LVIS_FOCUSED flags, for every column of the row.
    static constexpr int kStateRole = Qt::UserRole + 1;

    explicit CTaskTableModel(CListCtrl& list, QObject* pParent = nullptr);
    ~CTaskTableModel() override;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

    [[nodiscard]] CListCtrl& List() const { return m_list; }

    // What a click or a key does to the selection, as a desktop list does it.
    enum class Select {
        Only,             // this row alone, focused; it becomes the anchor
        Toggle,           // flip this row, focus it; it becomes the anchor
        RangeFromAnchor,  // the rows from the anchor to this one, nothing else; focus this row
        AddRangeFromAnchor,
        FocusOnly,        // move the focus, leave the selection
        Add,              // select this row too, focus it
        ClearAll,
        All,
    };
    // The one way the view changes the table. bScroll brings the row into view.
    void UserSelect(int nRow, Select how, bool bScroll);

signals:
    // bPartialOK: a row that shows in part is in view already. The table's own callers ask for
    // that; the user's keys and drags bring a row wholly into view.
    void ensureVisibleRequested(int nRow, bool bPartialOK);
    void columnWidthChanged(int nColumn, int nWidth);

private:
    void OnRowsAboutToBeInserted(int nFirst, int nLast) override;
    void OnRowsInserted() override;
    void OnRowsAboutToBeRemoved(int nFirst, int nLast) override;
    void OnRowsRemoved() override;
    void OnRowsAboutToBeReset() override;
    void OnRowsReset() override;
    void OnRowsAboutToBeReordered() override;
    void OnRowsReordered(std::span<const int> anNewPosition) override;
    void OnTextChanged(int nItem, int nSubItem) override;
    void OnStatesChanged(int nFirst, int nLast) override;
    void OnColumnsAboutToBeInserted(int nFirst, int nLast) override;
    void OnColumnsInserted() override;
    void OnColumnWidthChanged(int nCol) override;
    void OnEnsureVisible(int nItem) override;

    void SelectRange(int nFrom, int nTo);

    CListCtrl& m_list;
    QModelIndexList m_persistentBeforeReorder;
    bool m_bUserScroll = false;  // the scroll request comes from UserSelect
};
