#include "qt/TaskListAccessible.h"

#include "framework/ListCtrl.h"
#include "qt/TaskListView.h"

#include <QHeaderView>
#include <QPointer>
#include <QWindow>

#include <algorithm>
#include <climits>

namespace {

std::uint64_t CellKey(int nRow, int nColumn)
{
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(nRow)) << 2) | static_cast<std::uint64_t>(nColumn);
}

// One cell, or with the row -1 the header of its column. It keeps only where it stands and reads
// everything else from the table when asked, so it never holds a stale text or state.
class CTaskListCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    CTaskListCell(CTaskListView* pView, int nRow, int nColumn) : m_pView(pView), m_nRow(nRow), m_nColumn(nColumn) {}

    [[nodiscard]] bool isValid() const override
    {
        const CListCtrl* pList = List();
        return pList != nullptr && m_nRow < pList->GetItemCount() && m_nColumn < pList->GetColumnCount();
    }
    [[nodiscard]] QObject* object() const override { return nullptr; }
    [[nodiscard]] QWindow* window() const override
    {
        return m_pView != nullptr ? m_pView->window()->windowHandle() : nullptr;
    }
    [[nodiscard]] QAccessibleInterface* parent() const override
    {
        return m_pView != nullptr ? QAccessible::queryAccessibleInterface(m_pView.data()) : nullptr;
    }
    [[nodiscard]] QAccessibleInterface* child(int /*nIndex*/) const override { return nullptr; }
    [[nodiscard]] int childCount() const override { return 0; }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* /*pChild*/) const override { return -1; }
    [[nodiscard]] QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    void setText(QAccessible::Text /*t*/, const QString& /*str*/) override {}

    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid()) {
            return {};
        }
        const CListCtrl& list = *List();
        return CTaskListView::DisplayText(m_nRow < 0 ? list.GetColumnHeading(m_nColumn) : list.GetItemText(m_nRow, m_nColumn));
    }

    [[nodiscard]] QRect rect() const override
    {
        if (!isValid()) {
            return {};
        }
        const QHeaderView* pHeader = m_pView->Header();
        const int nLeft = pHeader->sectionViewportPosition(m_nColumn);
        const int nWidth = pHeader->sectionSize(m_nColumn);
        if (m_nRow < 0) {
            return {pHeader->mapToGlobal(QPoint(nLeft, 0)), QSize(nWidth, pHeader->height())};
        }
        const QRect rcRow = m_pView->RowRect(m_nRow);
        return {m_pView->viewport()->mapToGlobal(QPoint(nLeft, rcRow.top())), QSize(nWidth, rcRow.height())};
    }

    [[nodiscard]] QAccessible::Role role() const override { return m_nRow < 0 ? QAccessible::ColumnHeader : QAccessible::Cell; }

    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State st;
        if (!isValid()) {
            st.invalid = true;
            return st;
        }
        if (m_nRow < 0) {
            return st;
        }
        // The row's own flags, as the list draws them: the focused row is the one the keys move
        // from, whether or not the list has the keyboard focus just now.
        const UINT nState = List()->GetItemState(m_nRow, LVIS_SELECTED | LVIS_FOCUSED);
        st.selectable = true;
        st.focusable = true;
        st.selected = (nState & LVIS_SELECTED) != 0;
        st.focused = (nState & LVIS_FOCUSED) != 0;
        if (!m_pView->viewport()->rect().intersects(m_pView->RowRect(m_nRow))) {
            st.offscreen = true;
        }
        return st;
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::TableCellInterface && m_nRow >= 0 ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
    }

    // QAccessibleTableCellInterface
    [[nodiscard]] bool isSelected() const override
    {
        return isValid() && m_nRow >= 0 && List()->GetItemState(m_nRow, LVIS_SELECTED) != 0;
    }
    [[nodiscard]] QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        const auto* pTable = static_cast<const CTaskListAccessible*>(parent());
        QAccessibleInterface* pHeader = pTable != nullptr ? pTable->HeaderCell(m_nColumn) : nullptr;
        return pHeader != nullptr ? QList<QAccessibleInterface*>{pHeader} : QList<QAccessibleInterface*>{};
    }
    [[nodiscard]] QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    [[nodiscard]] int columnIndex() const override { return m_nColumn; }
    [[nodiscard]] int rowIndex() const override { return m_nRow; }
    [[nodiscard]] int columnExtent() const override { return 1; }
    [[nodiscard]] int rowExtent() const override { return 1; }
    [[nodiscard]] QAccessibleInterface* table() const override { return parent(); }

private:
    [[nodiscard]] CListCtrl* List() const
    {
        return m_pView != nullptr && m_pView->Model() != nullptr ? &m_pView->Model()->List() : nullptr;
    }

    QPointer<CTaskListView> m_pView;
    int m_nRow;
    int m_nColumn;
};

QAccessibleInterface* TaskListFactory(const QString& /*strClassName*/, QObject* pObject)
{
    // Asked for every class of an object from its own upwards; the view is the only one answered.
    if (auto* pView = qobject_cast<CTaskListView*>(pObject); pView != nullptr && pObject->metaObject() == &CTaskListView::staticMetaObject) {
        return new CTaskListAccessible(pView);
    }
    return nullptr;
}

QAccessible::UpdateHandler g_pAccessibilityHandler = nullptr;

} // namespace

bool IsTaskListAccessibilityActive() { return g_pAccessibilityHandler != nullptr || QAccessible::isActive(); }

void SetTaskListAccessibilityHandler(QAccessible::UpdateHandler pHandler) { g_pAccessibilityHandler = pHandler; }

void UpdateTaskListAccessibility(QAccessibleEvent* pEvent)
{
    if (g_pAccessibilityHandler == nullptr) {
        QAccessible::updateAccessibility(pEvent);
        return;
    }
    // What the toolkit does before it passes an event on.
    if (pEvent->type() == QAccessible::TableModelChanged) {
        if (QAccessibleInterface* pTable = QAccessible::queryAccessibleInterface(pEvent->object());
            pTable != nullptr && pTable->tableInterface() != nullptr) {
            pTable->tableInterface()->modelChange(static_cast<QAccessibleTableModelChangeEvent*>(pEvent));
        }
    }
    g_pAccessibilityHandler(pEvent);
}

void InstallTaskListAccessibility()
{
    static const bool bInstalled = [] {
        QAccessible::installFactory(TaskListFactory);
        return true;
    }();
    (void)bInstalled;
}

CTaskListAccessible::CTaskListAccessible(CTaskListView* pView) : QAccessibleWidget(pView, QAccessible::Table)
{
    m_reaper.setSingleShot(true);
    m_reaper.setInterval(0);
    QObject::connect(&m_reaper, &QTimer::timeout, &m_reaper, [this] {
        for (const QAccessible::Id id : m_retired) {
            QAccessible::deleteAccessibleInterface(id);
        }
        m_retired.clear();
    });
}

CTaskListAccessible::~CTaskListAccessible()
{
    DeleteCells();
    for (const QAccessible::Id id : m_headers) {
        if (id != 0) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }
}

CTaskListView* CTaskListAccessible::View() const { return static_cast<CTaskListView*>(widget()); }

CListCtrl* CTaskListAccessible::List() const
{
    CTaskTableModel* pModel = View()->Model();
    return pModel != nullptr ? &pModel->List() : nullptr;
}

void CTaskListAccessible::DeleteCells()
{
    for (const auto& [nKey, id] : m_cells) {
        QAccessible::deleteAccessibleInterface(id);
    }
    m_cells.clear();
    for (const QAccessible::Id id : m_retired) {
        QAccessible::deleteAccessibleInterface(id);
    }
    m_retired.clear();
    m_reaper.stop();
}

QString CTaskListAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && View()->accessibleName().isEmpty()) {
        return QStringLiteral("タスク一覧");
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State CTaskListAccessible::state() const
{
    QAccessible::State st = QAccessibleWidget::state();
    st.multiSelectable = true;
    st.extSelectable = true;
    return st;
}

int CTaskListAccessible::rowCount() const
{
    const CListCtrl* pList = List();
    return pList != nullptr && pList->GetColumnCount() > 0 ? pList->GetItemCount() : 0;
}

int CTaskListAccessible::columnCount() const
{
    const CListCtrl* pList = List();
    return pList != nullptr ? pList->GetColumnCount() : 0;
}

int CTaskListAccessible::childCount() const
{
    const long long nChildren = (static_cast<long long>(rowCount()) + 1) * columnCount();
    return static_cast<int>(std::min<long long>(nChildren, INT_MAX));
}

QAccessibleInterface* CTaskListAccessible::child(int nIndex) const
{
    const int nColumns = columnCount();
    if (nIndex < 0 || nColumns == 0) {
        return nullptr;
    }
    if (nIndex < nColumns) {
        return HeaderCell(nIndex);
    }
    return cellAt(nIndex / nColumns - 1, nIndex % nColumns);
}

int CTaskListAccessible::indexOfChild(const QAccessibleInterface* pChild) const
{
    const auto* pCell = dynamic_cast<const CTaskListCell*>(pChild);
    if (pCell == nullptr || pCell->parent() != this) {
        return -1;
    }
    return pCell->rowIndex() < 0 ? pCell->columnIndex() : ChildIndex(pCell->rowIndex(), pCell->columnIndex());
}

QAccessibleInterface* CTaskListAccessible::childAt(int x, int y) const
{
    const CTaskListView* pView = View();
    const QPoint ptGlobal(x, y);
    if (const QPoint pt = pView->Header()->mapFromGlobal(ptGlobal); pView->Header()->rect().contains(pt)) {
        const int nColumn = pView->Header()->logicalIndexAt(pt.x());
        return nColumn >= 0 ? HeaderCell(nColumn) : nullptr;
    }
    const QPoint pt = pView->viewport()->mapFromGlobal(ptGlobal);
    if (!pView->viewport()->rect().contains(pt)) {
        return nullptr;
    }
    const int nRow = pView->RowAt(pt);
    const int nColumn = pView->Header()->logicalIndexAt(pt.x());
    return nRow >= 0 && nColumn >= 0 ? cellAt(nRow, nColumn) : nullptr;
}

QAccessibleInterface* CTaskListAccessible::focusChild() const
{
    const CListCtrl* pList = List();
    const int nFocus = pList != nullptr ? pList->GetNextItem(-1, LVNI_FOCUSED) : -1;
    if (View()->hasFocus() && nFocus != -1 && columnCount() > 0) {
        return cellAt(nFocus, 0);
    }
    return QAccessibleWidget::focusChild();
}

void* CTaskListAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(t);
}

QAccessibleInterface* CTaskListAccessible::HeaderCell(int nColumn) const
{
    if (nColumn < 0 || nColumn >= columnCount()) {
        return nullptr;
    }
    if (m_headers.size() <= static_cast<std::size_t>(nColumn)) {
        m_headers.resize(static_cast<std::size_t>(nColumn) + 1, 0);
    }
    QAccessible::Id& id = m_headers[static_cast<std::size_t>(nColumn)];
    if (id == 0) {
        id = QAccessible::registerAccessibleInterface(new CTaskListCell(View(), -1, nColumn));
    }
    return QAccessible::accessibleInterface(id);
}

QAccessibleInterface* CTaskListAccessible::cellAt(int nRow, int nColumn) const
{
    if (nRow < 0 || nRow >= rowCount() || nColumn < 0 || nColumn >= columnCount()) {
        return nullptr;
    }
    const std::uint64_t nKey = CellKey(nRow, nColumn);
    if (const auto it = m_cells.find(nKey); it != m_cells.end()) {
        return QAccessible::accessibleInterface(it->second);
    }
    if (m_cells.size() >= kMaxLiveCells) {
        // A reader walking the whole list must not make a cell for every row: let the oldest go,
        // but only once the caller, which may hold some of them in a list, is done.
        for (const auto& [nOldKey, id] : m_cells) {
            m_retired.push_back(id);
        }
        m_cells.clear();
        m_reaper.start();
    }
    const QAccessible::Id id = QAccessible::registerAccessibleInterface(new CTaskListCell(View(), nRow, nColumn));
    m_cells.emplace(nKey, id);
    return QAccessible::accessibleInterface(id);
}

int CTaskListAccessible::selectedRowCount() const
{
    const CListCtrl* pList = List();
    return pList != nullptr && columnCount() > 0 ? static_cast<int>(pList->GetSelectedCount()) : 0;
}

QList<int> CTaskListAccessible::selectedRows() const
{
    QList<int> rows;
    const CListCtrl* pList = List();
    if (pList == nullptr || columnCount() == 0) {
        return rows;
    }
    rows.reserve(static_cast<qsizetype>(pList->GetSelectedCount()));
    for (int nRow = pList->GetNextItem(-1, LVNI_SELECTED); nRow != -1; nRow = pList->GetNextItem(nRow, LVNI_SELECTED)) {
        rows.append(nRow);
    }
    return rows;
}

int CTaskListAccessible::selectedCellCount() const
{
    const long long nCells = static_cast<long long>(selectedRowCount()) * columnCount();
    return static_cast<int>(std::min<long long>(nCells, INT_MAX));
}

QList<QAccessibleInterface*> CTaskListAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    const int nColumns = columnCount();
    for (const int nRow : selectedRows()) {
        for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
            cells.append(cellAt(nRow, nColumn));
        }
    }
    return cells;
}

QString CTaskListAccessible::columnDescription(int nColumn) const
{
    const CListCtrl* pList = List();
    return pList != nullptr && nColumn >= 0 && nColumn < pList->GetColumnCount()
               ? CTaskListView::DisplayText(pList->GetColumnHeading(nColumn))
               : QString();
}

bool CTaskListAccessible::isRowSelected(int nRow) const
{
    return nRow >= 0 && nRow < rowCount() && List()->GetItemState(nRow, LVIS_SELECTED) != 0;
}

bool CTaskListAccessible::selectRow(int nRow)
{
    return nRow >= 0 && nRow < rowCount() && List()->SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED) != FALSE;
}

bool CTaskListAccessible::unselectRow(int nRow)
{
    return nRow >= 0 && nRow < rowCount() && List()->SetItemState(nRow, 0, LVIS_SELECTED) != FALSE;
}

void CTaskListAccessible::modelChange(QAccessibleTableModelChangeEvent* /*pEvent*/)
{
    // Rows came, went or moved: every cell would now name another task's row.
    DeleteCells();
}
