#pragma once
// The task list for assistive technology: the list view answers as a table of rows and columns
// whose cells read straight from the task table. Cells are made only when a screen reader asks
// for them and only a few are kept, so a million tasks cost nothing until someone reads them.

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTimer>

#include <cstdint>
#include <unordered_map>
#include <vector>

class CListCtrl;
class CTaskListView;

// Installs, once, the factory that gives every CTaskListView its accessible table.
void InstallTaskListAccessibility();
// Whether a screen reader may be listening: the list tells nothing, and so costs nothing, while
// none is.
[[nodiscard]] bool IsTaskListAccessibilityActive();
// Sends an event of the list as the toolkit does, to the handler below when there is one.
void UpdateTaskListAccessibility(QAccessibleEvent* pEvent);
// Hands the list's events to pHandler instead of the platform, and makes the list send them even
// where the platform has no accessibility (the offscreen one has none, and the toolkit then drops
// every event). Null: back to the platform.
void SetTaskListAccessibilityHandler(QAccessible::UpdateHandler pHandler);

class CTaskListAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit CTaskListAccessible(CTaskListView* pView);
    ~CTaskListAccessible() override;
    CTaskListAccessible(const CTaskListAccessible&) = delete;
    CTaskListAccessible& operator=(const CTaskListAccessible&) = delete;

    // QAccessibleInterface
    [[nodiscard]] QString text(QAccessible::Text t) const override;
    [[nodiscard]] QAccessible::State state() const override;
    [[nodiscard]] int childCount() const override;
    [[nodiscard]] QAccessibleInterface* child(int nIndex) const override;
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* pChild) const override;
    [[nodiscard]] QAccessibleInterface* childAt(int x, int y) const override;
    // The focused row's first cell while the list has the keyboard focus.
    [[nodiscard]] QAccessibleInterface* focusChild() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleTableInterface
    [[nodiscard]] QAccessibleInterface* caption() const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface* summary() const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface* cellAt(int nRow, int nColumn) const override;
    [[nodiscard]] int selectedCellCount() const override;
    [[nodiscard]] QList<QAccessibleInterface*> selectedCells() const override;
    [[nodiscard]] QString columnDescription(int nColumn) const override;
    [[nodiscard]] QString rowDescription(int /*nRow*/) const override { return {}; }
    [[nodiscard]] int selectedColumnCount() const override { return 0; }
    [[nodiscard]] int selectedRowCount() const override;
    [[nodiscard]] int columnCount() const override;
    [[nodiscard]] int rowCount() const override;
    [[nodiscard]] QList<int> selectedColumns() const override { return {}; }
    [[nodiscard]] QList<int> selectedRows() const override;
    [[nodiscard]] bool isColumnSelected(int /*nColumn*/) const override { return false; }
    [[nodiscard]] bool isRowSelected(int nRow) const override;
    bool selectRow(int nRow) override;
    bool selectColumn(int /*nColumn*/) override { return false; }
    bool unselectRow(int nRow) override;
    bool unselectColumn(int /*nColumn*/) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* pEvent) override;

    // The header cell of a column, or null.
    [[nodiscard]] QAccessibleInterface* HeaderCell(int nColumn) const;
    // The index among the children: the header cells first, then the cells row by row.
    [[nodiscard]] int ChildIndex(int nRow, int nColumn) const { return (nRow + 1) * columnCount() + nColumn; }
    [[nodiscard]] CTaskListView* View() const;
    // The table shown, or null before the view has one.
    [[nodiscard]] CListCtrl* List() const;
    // How many cell interfaces are alive: a screen reader walking the list must not grow this
    // without bound.
    [[nodiscard]] std::size_t LiveCellCount() const { return m_cells.size() + m_retired.size(); }

    // Cells kept at most before the oldest go.
    static constexpr std::size_t kMaxLiveCells = 1024;

private:
    void DeleteCells();

    mutable std::unordered_map<std::uint64_t, QAccessible::Id> m_cells;  // by row and column
    mutable std::vector<QAccessible::Id> m_headers;
    // Cells let go of while a caller may still hold them; deleted when the event loop next runs.
    mutable std::vector<QAccessible::Id> m_retired;
    mutable QTimer m_reaper;
};
