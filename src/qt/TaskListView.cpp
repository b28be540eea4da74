#include "qt/TaskListView.h"

#include "framework/Cp932.h"
#include "qt/QtText.h"
#include "qt/TaskListAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTimer>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>

CTaskListView::CTaskListView(QWidget* pParent) : QAbstractScrollArea(pParent), m_pHeader(new QHeaderView(Qt::Horizontal, this))
{
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);

    // The header shows the columns; clicking it sorts nothing, and columns keep their order.
    m_pHeader->setSectionsClickable(false);
    m_pHeader->setSectionsMovable(false);
    m_pHeader->setHighlightSections(false);
    m_pHeader->setStretchLastSection(false);
    m_pHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pHeader->setSectionResizeMode(QHeaderView::Interactive);
    m_pHeader->setFocusPolicy(Qt::NoFocus);
    m_pHeader->setAutoFillBackground(true);
    m_pHeader->setBackgroundRole(QPalette::Button);
    connect(m_pHeader, &QHeaderView::sectionResized, this, &CTaskListView::OnSectionResized);

    InstallTaskListAccessibility();
    OnFontChanged();
}

CTaskListView::~CTaskListView() = default;

void CTaskListView::SetModel(CTaskTableModel* pModel)
{
    m_pModel = pModel;
    m_pHeader->setModel(pModel);
    connect(pModel, &QAbstractItemModel::rowsInserted, this, &CTaskListView::OnRowsChanged);
    connect(pModel, &QAbstractItemModel::rowsRemoved, this, &CTaskListView::OnRowsChanged);
    connect(pModel, &QAbstractItemModel::modelReset, this, [this] {
        ApplyColumnWidths();
        OnRowsChanged();
    });
    connect(pModel, &QAbstractItemModel::layoutChanged, this, &CTaskListView::OnRowsChanged);
    connect(pModel, &QAbstractItemModel::columnsInserted, this, &CTaskListView::ApplyColumnWidths);
    connect(pModel, &QAbstractItemModel::dataChanged, this, &CTaskListView::OnDataChanged);
    connect(pModel, &CTaskTableModel::ensureVisibleRequested, this, &CTaskListView::EnsureVisible);
    connect(pModel, &CTaskTableModel::columnWidthChanged, this, &CTaskListView::OnColumnWidthChanged);
    using Change = QAccessibleTableModelChangeEvent;
    connect(pModel, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int nFirst, int nLast) { NotifyAccessibleModelChange(Change::RowsInserted, nFirst, nLast); });
    connect(pModel, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int nFirst, int nLast) { NotifyAccessibleModelChange(Change::RowsRemoved, nFirst, nLast); });
    // A sort moves rows everywhere at once: a reader reads the table afresh, as after a load.
    connect(pModel, &QAbstractItemModel::modelReset, this,
            [this] { NotifyAccessibleModelChange(Change::ModelReset, 0, m_pModel->rowCount() - 1); });
    connect(pModel, &QAbstractItemModel::layoutChanged, this,
            [this] { NotifyAccessibleModelChange(Change::ModelReset, 0, m_pModel->rowCount() - 1); });
    connect(pModel, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex&, int nFirst, int nLast) { NotifyAccessibleModelChange(Change::ColumnsInserted, nFirst, nLast); });
    ApplyColumnWidths();
    OnRowsChanged();
}

namespace {
// The advance table: 256 single bytes, then 256 trail bytes for each of the 60 lead bytes, then a
// lead byte that forms no character, which shows as U+FFFD.
constexpr std::size_t kPairAdvances = 256;
constexpr std::size_t kLoneLeadAdvance = kPairAdvances + 60 * 256;
constexpr std::int32_t kUnknownAdvance = -1;
constexpr std::int32_t kNoPair = -2;  // the two bytes form no character

// For each first byte: where its pairs begin in the advance table, 0 for a byte that leads none.
constexpr std::array<std::uint16_t, 256> kPairsOf = [] {
    std::array<std::uint16_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        if (cp932::IsLeadByte(static_cast<unsigned char>(c))) {
            table[static_cast<std::size_t>(c)] =
                static_cast<std::uint16_t>(kPairAdvances + static_cast<std::size_t>(cp932::detail::LeadIndex(static_cast<unsigned char>(c))) * 256);
        }
    }
    return table;
}();
} // namespace

std::int32_t CTaskListView::LearnAdvance(std::size_t nCode) const
{
    const cp932::detail::Table& table = cp932::detail::GetTable();
    char16_t c = cp932::kReplacement;
    if (nCode < kPairAdvances) {
        c = table.single[nCode] != cp932::detail::kNoChar ? table.single[nCode] : cp932::kReplacement;
    } else if (nCode < kLoneLeadAdvance) {
        c = table.pair[(nCode - kPairAdvances) / 256][(nCode - kPairAdvances) % 256];
        if (c == cp932::detail::kNoChar) {
            m_advances[nCode] = kNoPair;
            return kNoPair;
        }
    }
    // The toolkit's advances are 26.6 fixed-point values, so in 64ths of a pixel they are whole
    // numbers and the sums exact. A TAB is drawn as a space.
    const qreal fAdvance = m_fontMetrics.horizontalAdvance(QChar(c == u'\t' ? u' ' : c));
    const auto nAdvance = static_cast<std::int32_t>(std::clamp<qreal>(std::round(fAdvance * 64), 0, INT32_MAX / 2));
    m_advances[nCode] = nAdvance;
    return nAdvance;
}

CTaskListView::CTextExtent CTaskListView::MeasureText(std::string_view text, double fUpTo) const
{
    // Looked up by the bytes themselves rather than by the decoded character: no decoding, and a
    // table of 60 KiB instead of one per UTF-16 unit. The characters are those the list shows.
    if (m_advances.empty()) {
        m_advances.assign(kLoneLeadAdvance + 1, kUnknownAdvance);
    }
    const std::int64_t nUpTo = fUpTo >= 0x1p53 ? INT64_MAX : static_cast<std::int64_t>(std::ceil(fUpTo * 64));
    const std::int32_t* const pAdvances = m_advances.data();
    std::int64_t nWidth = 0;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && nWidth < nUpTo) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (const std::size_t nPairs = kPairsOf[c]; nPairs != 0 && i + 1 < n) {
            const std::size_t nCode = nPairs + static_cast<unsigned char>(text[i + 1]);
            std::int32_t nAdvance = pAdvances[nCode];
            if (nAdvance == kUnknownAdvance) {
                nAdvance = LearnAdvance(nCode);
            }
            if (nAdvance >= 0) {
                nWidth += nAdvance;
                i += 2;
                continue;
            }
        }
        const std::size_t nCode = kPairsOf[c] != 0 ? kLoneLeadAdvance : c;
        std::int32_t nAdvance = pAdvances[nCode];
        if (nAdvance == kUnknownAdvance) {
            nAdvance = LearnAdvance(nCode);
        }
        nWidth += nAdvance;
        ++i;
    }
    return {static_cast<double>(nWidth) / 64, i};
}

int CTaskListView::GetCellTextWidth(std::string_view text) const
{
    return static_cast<int>(std::ceil(MeasureText(text).fWidth)) + 2 * kCellPadding;
}

QString CTaskListView::DisplayText(std::string_view bytes)
{
    // A TAB is drawn as a space, not as a tab stop, so the text keeps the width it was measured at.
    QString strText = ToQString(bytes);
    strText.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return strText;
}

int CTaskListView::VisibleRows() const
{
    return m_nRowHeight > 0 ? std::max(1, viewport()->height() / m_nRowHeight) : 1;
}

int CTaskListView::RowAt(QPoint ptViewport) const
{
    if (m_pModel == nullptr || ptViewport.y() < 0 || ptViewport.x() + horizontalScrollBar()->value() >= TotalWidth()) {
        return -1;
    }
    const int nRow = m_nTopRow + ptViewport.y() / m_nRowHeight;
    return nRow < m_pModel->rowCount() ? nRow : -1;
}

QRect CTaskListView::RowRect(int nRow) const
{
    return QRect(-horizontalScrollBar()->value(), (nRow - m_nTopRow) * m_nRowHeight, TotalWidth(), m_nRowHeight);
}

int CTaskListView::TotalWidth() const { return m_pHeader->length(); }

bool CTaskListView::IsRowRangeVisible(int nFirst, int nLast) const
{
    return nLast >= m_nTopRow && nFirst <= m_nTopRow + VisibleRows();
}

void CTaskListView::OnFontChanged()
{
    m_fontMetrics = QFontMetricsF(font());
    m_advances.clear();
    ++m_nMetricsVersion;
    const QFontMetrics metrics(font());
    m_nRowHeight = metrics.height() + 4;
    m_pHeader->setFont(font());
    UpdateGeometries();
    viewport()->update();
}

void CTaskListView::UpdateGeometries()
{
    const int nHeaderHeight = m_pHeader->sizeHint().height();
    setViewportMargins(0, nHeaderHeight, 0, 0);
    const QRect rcViewport = viewport()->geometry();
    m_pHeader->setGeometry(rcViewport.left(), rcViewport.top() - nHeaderHeight, rcViewport.width(), nHeaderHeight);
    SyncScrollBars();
}

void CTaskListView::SyncScrollBars()
{
    m_bScrollSyncPending = false;
    const int nRows = m_pModel != nullptr ? m_pModel->rowCount() : 0;
    const int nPage = VisibleRows();
    QScrollBar* pVertical = verticalScrollBar();
    pVertical->setRange(0, std::max(0, nRows - nPage));
    pVertical->setPageStep(nPage);
    pVertical->setSingleStep(1);
    m_nTopRow = std::clamp(m_nTopRow, 0, pVertical->maximum());
    pVertical->setValue(m_nTopRow);

    QScrollBar* pHorizontal = horizontalScrollBar();
    pHorizontal->setRange(0, std::max(0, TotalWidth() - viewport()->width()));
    pHorizontal->setPageStep(viewport()->width());
    pHorizontal->setSingleStep(20);
}

void CTaskListView::SetTopRow(int nTopRow)
{
    if (nTopRow == m_nTopRow) {
        return;
    }
    m_nTopRow = nTopRow;
    viewport()->update();
    // A Find may scroll to each of half a million matches in a row: only the last position is
    // shown, so the scroll bar follows once, when the event loop next runs.
    if (!m_bScrollSyncPending) {
        m_bScrollSyncPending = true;
        QTimer::singleShot(0, this, &CTaskListView::SyncScrollBars);
    }
}

void CTaskListView::EnsureVisible(int nRow, bool bPartialOK)
{
    const int nPage = VisibleRows();
    // The rows the viewport shows at least in part: a last row cut off by the bottom edge counts.
    const int nShown = bPartialOK && m_nRowHeight > 0 ? std::max(1, (viewport()->height() + m_nRowHeight - 1) / m_nRowHeight) : nPage;
    if (nRow < m_nTopRow) {
        SetTopRow(nRow);
    } else if (nRow >= m_nTopRow + nShown) {
        SetTopRow(nRow - nPage + 1);
    }
}

void CTaskListView::scrollContentsBy(int dx, int /*dy*/)
{
    if (!m_bScrollSyncPending) {
        m_nTopRow = verticalScrollBar()->value();
    }
    if (dx != 0) {
        m_pHeader->setOffset(horizontalScrollBar()->value());
    }
    viewport()->update();
}

void CTaskListView::OnRowsChanged()
{
    SyncScrollBars();
    viewport()->update();
}

void CTaskListView::OnDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    if (roles.contains(CTaskTableModel::kStateRole)) {
        m_bAccessibleSelectionChanged = true;
        NotifyAccessibleStates();
    }
    if (IsRowRangeVisible(topLeft.row(), bottomRight.row())) {
        viewport()->update();
    }
}

void CTaskListView::NotifyAccessibleModelChange(QAccessibleTableModelChangeEvent::ModelChangeType change, int nFirst, int nLast)
{
    if (!IsTaskListAccessibilityActive()) {
        return;
    }
    QAccessibleTableModelChangeEvent event(this, change);
    const bool bColumns = change == QAccessibleTableModelChangeEvent::ColumnsInserted;
    event.setFirstRow(bColumns ? 0 : nFirst);
    event.setLastRow(bColumns ? m_pModel->rowCount() - 1 : nLast);
    event.setFirstColumn(bColumns ? nFirst : 0);
    event.setLastColumn(bColumns ? nLast : m_pModel->columnCount() - 1);
    UpdateTaskListAccessibility(&event);
    // The cells a reader held went with the change, the focused one too, and selected rows may
    // have gone.
    m_bAccessibleRefocus = true;
    m_bAccessibleSelectionChanged = true;
    NotifyAccessibleStates();
}

void CTaskListView::NotifyAccessibleStates()
{
    // A Find selects and focuses row after row: a reader is told once, when the event loop next
    // runs, of the selection and the focused row as they are then.
    if (m_bAccessibleStatesPending || !IsTaskListAccessibilityActive()) {
        return;
    }
    m_bAccessibleStatesPending = true;
    QTimer::singleShot(0, this, &CTaskListView::FlushAccessibleStates);
}

void CTaskListView::FlushAccessibleStates()
{
    m_bAccessibleStatesPending = false;
    if (m_pModel == nullptr || !IsTaskListAccessibilityActive()) {
        return;
    }
    if (m_bAccessibleSelectionChanged) {
        QAccessibleEvent event(this, QAccessible::SelectionWithin);
        UpdateTaskListAccessibility(&event);
    }
    // The focused cell is announced while the list has the keyboard focus, and again whenever the
    // list gets it back.
    const int nFocus = m_pModel->List().GetNextItem(-1, LVNI_FOCUSED);
    if (nFocus != -1 && hasFocus() && (nFocus != m_nAccessibleFocus || m_bAccessibleRefocus)) {
        auto* pTable = dynamic_cast<CTaskListAccessible*>(QAccessible::queryAccessibleInterface(this));
        if (pTable != nullptr && pTable->columnCount() > 0) {
            QAccessibleEvent event(this, QAccessible::Focus);
            event.setChild(pTable->ChildIndex(nFocus, 0));
            UpdateTaskListAccessibility(&event);
        }
    }
    m_nAccessibleFocus = nFocus;
    m_bAccessibleSelectionChanged = false;
    m_bAccessibleRefocus = false;
}

void CTaskListView::ApplyColumnWidths()
{
    if (m_pModel == nullptr) {
        return;
    }
    m_bApplyingWidths = true;
    const CListCtrl& list = m_pModel->List();
    for (int nCol = 0; nCol < list.GetColumnCount(); ++nCol) {
        m_pHeader->resizeSection(nCol, list.GetColumnWidth(nCol));
    }
    m_bApplyingWidths = false;
    SyncScrollBars();
    viewport()->update();
}

void CTaskListView::OnColumnWidthChanged(int nColumn, int nWidth)
{
    m_bApplyingWidths = true;
    m_pHeader->resizeSection(nColumn, nWidth);
    m_bApplyingWidths = false;
    SyncScrollBars();
    viewport()->update();
}

void CTaskListView::OnSectionResized(int nSection, int /*nOldSize*/, int nNewSize)
{
    // A width the user dragged goes into the table, which keeps every column's width.
    if (!m_bApplyingWidths && m_pModel != nullptr && m_pModel->List().GetColumnWidth(nSection) != nNewSize) {
        m_pModel->List().SetColumnWidth(nSection, nNewSize);
    }
    SyncScrollBars();
    viewport()->update();
}

void CTaskListView::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(viewport());
    if (m_pModel == nullptr) {
        return;
    }
    const int nRows = m_pModel->rowCount();
    const int nColumns = m_pModel->columnCount();
    const int nFirst = m_nTopRow + pEvent->rect().top() / m_nRowHeight;
    const int nLast = std::min(nRows - 1, m_nTopRow + pEvent->rect().bottom() / m_nRowHeight);
    const bool bActive = hasFocus();
    const QPalette::ColorGroup group = bActive ? QPalette::Active : QPalette::Inactive;
    const QFontMetrics metrics(font());
    const int nOffset = horizontalScrollBar()->value();
    const CListCtrl& list = m_pModel->List();

    for (int nRow = std::max(nFirst, 0); nRow <= nLast; ++nRow) {
        const QRect rcRow = RowRect(nRow);
        const int nState = m_pModel->data(m_pModel->index(nRow, 0), CTaskTableModel::kStateRole).toInt();
        const bool bSelected = (nState & LVIS_SELECTED) != 0;
        if (bSelected) {
            painter.fillRect(rcRow, palette().brush(group, QPalette::Highlight));
        }
        painter.setPen(palette().color(group, bSelected ? QPalette::HighlightedText : QPalette::Text));
        for (int nCol = 0; nCol < nColumns; ++nCol) {
            const int nLeft = m_pHeader->sectionPosition(nCol) - nOffset;
            const int nWidth = m_pHeader->sectionSize(nCol);
            if (nLeft + nWidth < 0 || nLeft > viewport()->width()) {
                continue;
            }
            const QRect rcText(nLeft + kCellPadding, rcRow.top(), nWidth - 2 * kCellPadding, m_nRowHeight);
            std::string_view bytes = list.GetItemText(nRow, nCol);
            // The toolkit lays out and draws a text whole, also where the viewport clips it, and a
            // fitted details column is far wider than the viewport: a cell that reaches well past
            // its right edge gets only the characters that reach into the viewport, with a margin
            // wider than an ellipsis, so the pixels shown are the same. In a cell that shows whole,
            // only a text too wide for it is elided (the toolkit lays a text out once to elide it
            // and again to draw it; the width from the cached advances costs little).
            const double fShown = viewport()->width() - rcText.left() + 2.0 * m_nRowHeight;
            bool bElide = false;
            if (rcText.width() > fShown) {
                bytes = bytes.substr(0, MeasureText(bytes, fShown).nBytes);
            } else {
                bElide = std::ceil(MeasureText(bytes).fWidth) > rcText.width();
            }
            QString strText = DisplayText(bytes);
            if (bElide) {
                strText = metrics.elidedText(strText, Qt::ElideRight, std::max(rcText.width(), 0));
            }
            painter.drawText(rcText, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, strText);
        }
        if ((nState & LVIS_FOCUSED) != 0 && bActive) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = rcRow.adjusted(0, 0, -1, -1);
            option.backgroundColor = palette().color(group, bSelected ? QPalette::Highlight : QPalette::Base);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }
}

void CTaskListView::resizeEvent(QResizeEvent* pEvent)
{
    QAbstractScrollArea::resizeEvent(pEvent);
    UpdateGeometries();
}

bool CTaskListView::viewportEvent(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::Paint && m_bScrollSyncPending) {
        SyncScrollBars();
    }
    return QAbstractScrollArea::viewportEvent(pEvent);
}

void CTaskListView::changeEvent(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::FontChange) {
        OnFontChanged();
    }
    QAbstractScrollArea::changeEvent(pEvent);
}

void CTaskListView::focusInEvent(QFocusEvent* pEvent)
{
    QAbstractScrollArea::focusInEvent(pEvent);
    viewport()->update();
    // After the toolkit has announced the list itself, a reader goes on to the focused row.
    m_bAccessibleRefocus = true;
    NotifyAccessibleStates();
}

void CTaskListView::focusOutEvent(QFocusEvent* pEvent)
{
    QAbstractScrollArea::focusOutEvent(pEvent);
    viewport()->update();
}

void CTaskListView::mousePressEvent(QMouseEvent* pEvent)
{
    setFocus(Qt::MouseFocusReason);
    if (m_pModel == nullptr) {
        return;
    }
    using Select = CTaskTableModel::Select;
    const int nRow = RowAt(pEvent->position().toPoint());
    const Qt::KeyboardModifiers mods = pEvent->modifiers();
    const bool bCtrl = (mods & Qt::ControlModifier) != 0;
    const bool bShift = (mods & Qt::ShiftModifier) != 0;

    if (pEvent->button() == Qt::RightButton) {
        // A right-click keeps a selection it falls into, and otherwise selects the row alone.
        if (nRow == -1) {
            m_pModel->UserSelect(-1, Select::ClearAll, false);
        } else if (m_pModel->List().GetItemState(nRow, LVIS_SELECTED) != 0) {
            m_pModel->UserSelect(nRow, Select::FocusOnly, false);
        } else {
            m_pModel->UserSelect(nRow, Select::Only, false);
        }
        emit rightClicked();
        return;
    }
    if (pEvent->button() != Qt::LeftButton) {
        return;
    }
    if (nRow == -1) {
        if (!bCtrl && !bShift) {
            m_pModel->UserSelect(-1, Select::ClearAll, false);
        }
        return;
    }
    if (bShift) {
        m_pModel->UserSelect(nRow, bCtrl ? Select::AddRangeFromAnchor : Select::RangeFromAnchor, false);
    } else if (bCtrl) {
        m_pModel->UserSelect(nRow, Select::Toggle, false);
    } else {
        m_pModel->UserSelect(nRow, Select::Only, false);
        m_nDragAnchor = nRow;
    }
}

void CTaskListView::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (m_pModel == nullptr || m_nDragAnchor == -1 || (pEvent->buttons() & Qt::LeftButton) == 0) {
        return;
    }
    // Dragging from a row selects the rows between it and the pointer.
    const int nRows = m_pModel->rowCount();
    const int y = pEvent->position().toPoint().y();
    const int nRow = std::clamp(m_nTopRow + (y < 0 ? y / m_nRowHeight - 1 : y / m_nRowHeight), 0, nRows - 1);
    if (nRows > 0 && m_pModel->List().GetNextItem(-1, LVNI_FOCUSED) != nRow) {
        m_pModel->UserSelect(nRow, CTaskTableModel::Select::RangeFromAnchor, true);
    }
}

void CTaskListView::mouseReleaseEvent(QMouseEvent* /*pEvent*/) { m_nDragAnchor = -1; }

void CTaskListView::keyPressEvent(QKeyEvent* pEvent)
{
    if (m_pModel == nullptr) {
        QAbstractScrollArea::keyPressEvent(pEvent);
        return;
    }
    using Select = CTaskTableModel::Select;
    const CListCtrl& list = m_pModel->List();
    const int nRows = list.GetItemCount();
    const Qt::KeyboardModifiers mods = pEvent->modifiers();
    const bool bCtrl = (mods & Qt::ControlModifier) != 0;
    const bool bShift = (mods & Qt::ShiftModifier) != 0;
    const int nFocus = list.GetNextItem(-1, LVNI_FOCUSED);
    const int nPage = VisibleRows();

    if ((mods & Qt::AltModifier) != 0) {
        QAbstractScrollArea::keyPressEvent(pEvent);
        return;
    }
    // Without a focused row, a key that moves by some rows starts at the top row.
    const int nFrom = nFocus;
    int nTarget = 0;
    switch (pEvent->key()) {
    case Qt::Key_Up:
        nTarget = nFrom == -1 ? 0 : nFrom - 1;
        break;
    case Qt::Key_Down:
        nTarget = nFrom == -1 ? 0 : nFrom + 1;
        break;
    case Qt::Key_PageUp:
        nTarget = nFrom == -1 ? 0 : nFrom - (nPage - 1);
        break;
    case Qt::Key_PageDown:
        nTarget = nFrom == -1 ? 0 : nFrom + (nPage - 1);
        break;
    case Qt::Key_Home:
        nTarget = 0;
        break;
    case Qt::Key_End:
        nTarget = nRows - 1;
        break;
    case Qt::Key_Space:
        if (nFocus != -1) {
            m_pModel->UserSelect(nFocus, bCtrl ? Select::Toggle : Select::Add, true);
        }
        return;
    case Qt::Key_A:
        if (bCtrl && !bShift) {
            m_pModel->UserSelect(-1, Select::All, false);
            return;
        }
        QAbstractScrollArea::keyPressEvent(pEvent);
        return;
    case Qt::Key_Left:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return;
    case Qt::Key_Right:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(pEvent);
        return;
    }
    if (nRows == 0) {
        return;
    }
    nTarget = std::clamp(nTarget, 0, nRows - 1);
    if (bShift) {
        m_pModel->UserSelect(nTarget, bCtrl ? Select::AddRangeFromAnchor : Select::RangeFromAnchor, true);
    } else if (bCtrl) {
        m_pModel->UserSelect(nTarget, Select::FocusOnly, true);
    } else {
        m_pModel->UserSelect(nTarget, Select::Only, true);
    }
}
