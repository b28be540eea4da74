#include "qt/TaskTableModel.h"

#include "qt/QtText.h"

#include <algorithm>

CTaskTableModel::CTaskTableModel(CListCtrl& list, QObject* pParent) : QAbstractTableModel(pParent), m_list(list)
{
    m_list.AddObserver(this);
}

CTaskTableModel::~CTaskTableModel() { m_list.RemoveObserver(this); }

int CTaskTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_list.GetItemCount(); }

int CTaskTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_list.GetColumnCount(); }

QVariant CTaskTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_list.GetItemCount() || index.column() >= m_list.GetColumnCount()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        // Decoded only for the rows that are drawn: a million rows are never decoded at once.
        return ToQString(m_list.GetItemText(index.row(), index.column()));
    case kStateRole:
        return static_cast<int>(m_list.GetItemState(index.row(), LVIS_SELECTED | LVIS_FOCUSED));
    default:
        return {};
    }
}

QVariant CTaskTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_list.GetColumnCount()) {
        return ToQString(m_list.GetColumnHeading(section));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags CTaskTableModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

void CTaskTableModel::SelectRange(int nFrom, int nTo)
{
    for (int i = std::min(nFrom, nTo); i <= std::max(nFrom, nTo); ++i) {
        m_list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    }
}

void CTaskTableModel::UserSelect(int nRow, Select how, bool bScroll)
{
    const int nCount = m_list.GetItemCount();
    if (how == Select::ClearAll) {
        m_list.SetItemState(-1, 0, LVIS_SELECTED);
        return;
    }
    if (how == Select::All) {
        m_list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
        return;
    }
    if (nRow < 0 || nRow >= nCount) {
        return;
    }
    const int nAnchor = m_list.GetSelectionMark() != -1 ? m_list.GetSelectionMark() : nRow;
    switch (how) {
    case Select::Only:
        m_list.SetItemState(-1, 0, LVIS_SELECTED);
        m_list.SetItemState(nRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_list.SetSelectionMark(nRow);
        break;
    case Select::Toggle:
        m_list.SetItemState(nRow, (m_list.GetItemState(nRow, LVIS_SELECTED) ^ LVIS_SELECTED) | LVIS_FOCUSED,
                            LVIS_SELECTED | LVIS_FOCUSED);
        m_list.SetSelectionMark(nRow);
        break;
    case Select::RangeFromAnchor:
        m_list.SetItemState(-1, 0, LVIS_SELECTED);
        SelectRange(nAnchor, nRow);
        m_list.SetItemState(nRow, LVIS_FOCUSED, LVIS_FOCUSED);
        m_list.SetSelectionMark(nAnchor);
        break;
    case Select::AddRangeFromAnchor:
        SelectRange(nAnchor, nRow);
        m_list.SetItemState(nRow, LVIS_FOCUSED, LVIS_FOCUSED);
        m_list.SetSelectionMark(nAnchor);
        break;
    case Select::FocusOnly:
        m_list.SetItemState(nRow, LVIS_FOCUSED, LVIS_FOCUSED);
        break;
    case Select::Add:
        m_list.SetItemState(nRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        break;
    case Select::ClearAll:
    case Select::All:
        break;
    }
    if (bScroll) {
        // The table does not pass the flag on, so the view learns it from here.
        m_bUserScroll = true;
        m_list.EnsureVisible(nRow, FALSE);
        m_bUserScroll = false;
    }
}

void CTaskTableModel::OnRowsAboutToBeInserted(int nFirst, int nLast) { beginInsertRows({}, nFirst, nLast); }

void CTaskTableModel::OnRowsInserted() { endInsertRows(); }

void CTaskTableModel::OnRowsAboutToBeRemoved(int nFirst, int nLast) { beginRemoveRows({}, nFirst, nLast); }

void CTaskTableModel::OnRowsRemoved() { endRemoveRows(); }

void CTaskTableModel::OnRowsAboutToBeReset() { beginResetModel(); }

void CTaskTableModel::OnRowsReset() { endResetModel(); }

void CTaskTableModel::OnRowsAboutToBeReordered()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_persistentBeforeReorder = persistentIndexList();
}

void CTaskTableModel::OnRowsReordered(std::span<const int> anNewPosition)
{
    QModelIndexList moved;
    moved.reserve(m_persistentBeforeReorder.size());
    for (const QModelIndex& index : std::as_const(m_persistentBeforeReorder)) {
        moved.append(this->index(anNewPosition[static_cast<std::size_t>(index.row())], index.column()));
    }
    changePersistentIndexList(m_persistentBeforeReorder, moved);
    m_persistentBeforeReorder.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CTaskTableModel::OnTextChanged(int nItem, int nSubItem)
{
    const QModelIndex changed = index(nItem, nSubItem);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void CTaskTableModel::OnStatesChanged(int nFirst, int nLast)
{
    static const QList<int> kRoles{kStateRole};
    if (columnCount() == 0) {
        return;  // nothing is shown without columns
    }
    emit dataChanged(index(nFirst, 0), index(nLast, columnCount() - 1), kRoles);
}

void CTaskTableModel::OnColumnsAboutToBeInserted(int nFirst, int nLast) { beginInsertColumns({}, nFirst, nLast); }

void CTaskTableModel::OnColumnsInserted() { endInsertColumns(); }

void CTaskTableModel::OnColumnWidthChanged(int nCol) { emit columnWidthChanged(nCol, m_list.GetColumnWidth(nCol)); }

void CTaskTableModel::OnEnsureVisible(int nItem) { emit ensureVisibleRequested(nItem, !m_bUserScroll); }
