#pragma once
// The task list as the user sees it: a report view with a header, drawn straight from the
// table. It keeps no selection of its own: the selected and focused states live in the table,
// so any change to them, of one row or of a million, costs at most one repaint here.

#include "framework/ListCtrl.h"
#include "qt/TaskTableModel.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

class QHeaderView;

class CTaskListView : public QAbstractScrollArea, public IListTextMetrics {
    Q_OBJECT
public:
    explicit CTaskListView(QWidget* pParent = nullptr);
    ~CTaskListView() override;

    void SetModel(CTaskTableModel* pModel);
    [[nodiscard]] CTaskTableModel* Model() const { return m_pModel; }
    [[nodiscard]] QHeaderView* Header() const { return m_pHeader; }

    // IListTextMetrics: the width of a cell showing the text whole, in the list's font. Summed
    // from cached advances, so fitting a column over a million rows measures each character once.
    [[nodiscard]] int GetCellTextWidth(std::string_view text) const override;
    [[nodiscard]] unsigned GetMetricsVersion() const override { return m_nMetricsVersion; }

    [[nodiscard]] int RowHeight() const { return m_nRowHeight; }
    [[nodiscard]] int TopRow() const { return m_nTopRow; }
    [[nodiscard]] int VisibleRows() const;
    // The row under a point of the viewport, or -1.
    [[nodiscard]] int RowAt(QPoint ptViewport) const;
    [[nodiscard]] QRect RowRect(int nRow) const;

    // The left and right margins of a cell's text.
    static constexpr int kCellPadding = 6;
    // A cell's text as the list shows it, so that what is drawn and what a screen reader reads agree.
    [[nodiscard]] static QString DisplayText(std::string_view bytes);

signals:
    // A right-click in the list, after the list has done its own handling of it.
    void rightClicked();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* pEvent) override;

private:
    void EnsureVisible(int nRow, bool bPartialOK);
    // Tells a screen reader, when one listens, what the table changed; see TaskListAccessible.
    void NotifyAccessibleModelChange(QAccessibleTableModelChangeEvent::ModelChangeType change, int nFirst, int nLast);
    void NotifyAccessibleStates();
    void FlushAccessibleStates();
    void SetTopRow(int nTopRow);
    void SyncScrollBars();
    void UpdateGeometries();
    void OnFontChanged();
    void OnRowsChanged();
    void OnDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void OnColumnWidthChanged(int nColumn, int nWidth);
    void OnSectionResized(int nSection, int nOldSize, int nNewSize);
    void ApplyColumnWidths();
    [[nodiscard]] int TotalWidth() const;
    struct CTextExtent {
        double fWidth;       // of the characters measured
        std::size_t nBytes;  // that they take up
    };
    // The width of text's characters from its start, stopping after the one that reaches fUpTo.
    [[nodiscard]] CTextExtent MeasureText(std::string_view text, double fUpTo = HUGE_VAL) const;
    std::int32_t LearnAdvance(std::size_t nCode) const;
    [[nodiscard]] bool IsRowRangeVisible(int nFirst, int nLast) const;

    CTaskTableModel* m_pModel = nullptr;
    QHeaderView* m_pHeader = nullptr;
    int m_nRowHeight = 0;
    int m_nTopRow = 0;
    bool m_bScrollSyncPending = false;
    bool m_bApplyingWidths = false;
    int m_nDragAnchor = -1;  // the row a plain left press started on, while dragging
    QFontMetricsF m_fontMetrics{QFont()};
    unsigned m_nMetricsVersion = 0;  // counts the fonts, so that the table measures again
    // The advance of each code page 932 code in the current font in 64ths of a pixel, < 0 while
    // unknown or for two bytes that form no character (see MeasureText).
    mutable std::vector<std::int32_t> m_advances;
    // States changed since a screen reader was last told; told once, when the event loop next runs.
    bool m_bAccessibleStatesPending = false;
    bool m_bAccessibleSelectionChanged = false;
    bool m_bAccessibleRefocus = false;  // announce the focused row even if it is the one last told
    int m_nAccessibleFocus = -1;        // the focused row a reader was last told of
};
