#pragma once
// The list-view control in report view, as a table object: the program's only model of its
// tasks. The table is the single truth; a view shows it by following the changes it announces.

#include "framework/LargeAllocator.h"
#include "framework/TextStore.h"
#include "framework/Wnd.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Item and column masks, states and flags.
constexpr UINT LVIF_TEXT = 0x0001;
constexpr UINT LVIF_IMAGE = 0x0002;
constexpr UINT LVIF_PARAM = 0x0004;
constexpr UINT LVIF_STATE = 0x0008;
constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;
constexpr int LVNI_ALL = 0x0000;
constexpr int LVNI_FOCUSED = 0x0001;
constexpr int LVNI_SELECTED = 0x0002;
constexpr int LVSCW_AUTOSIZE = -1;
constexpr UINT LVCF_FMT = 0x0001;
constexpr UINT LVCF_WIDTH = 0x0002;
constexpr UINT LVCF_TEXT = 0x0004;
constexpr UINT LVCF_SUBITEM = 0x0008;

// The messages that the members below stand for.
constexpr UINT LVM_FIRST = 0x1000;
constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
constexpr UINT LVM_SETITEM = LVM_FIRST + 6;
constexpr UINT LVM_INSERTITEM = LVM_FIRST + 7;
constexpr UINT LVM_DELETEITEM = LVM_FIRST + 8;
constexpr UINT LVM_DELETEALLITEMS = LVM_FIRST + 9;
constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;
constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;
constexpr UINT LVM_INSERTCOLUMN = LVM_FIRST + 27;
constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;
constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;
constexpr UINT LVM_GETITEMTEXT = LVM_FIRST + 45;
constexpr UINT LVM_SORTITEMS = LVM_FIRST + 48;
constexpr UINT LVM_SETSELECTIONMARK = LVM_FIRST + 67;

struct LVITEM {
    UINT mask = 0;
    int iItem = 0;
    int iSubItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    const char* pszText = nullptr;  // zero-terminated
    int cchTextMax = 0;
    int iImage = 0;
    LPARAM lParam = 0;
};

struct LVCOLUMN {
    UINT mask = 0;
    int fmt = 0;
    int cx = 0;
    const char* pszText = nullptr;
    int cchTextMax = 0;
    int iSubItem = 0;
};

// One row of the table. A comparison sees rows in this form: their own texts, whatever their keys.
class CListRow {
public:
    [[nodiscard]] std::string_view GetText(int nSubItem) const { return {m_apText[nSubItem], m_anLen[nSubItem]}; }
    [[nodiscard]] LPARAM GetKey() const { return m_lParam; }
    [[nodiscard]] bool IsSelected() const { return m_bSelected; }

private:
    friend class CListCtrl;
    static constexpr int kCells = 3;
    static constexpr std::uint16_t kUnmeasured = 0xFFFF;
    const char* m_apText[kCells] = {};
    std::uint32_t m_anLen[kCells] = {};
    std::int32_t m_lParam = 0;  // row keys are 32 bits, as on the original platform
    // Each cell's width as LVSCW_AUTOSIZE last measured it, in the fonts of the metrics the table
    // measured with; a width too large for the field is measured each time. Kept in the row,
    // where it moves with the row and fits in what would be padding: 48 bytes a row.
    std::uint16_t m_anWidth[kCells] = {kUnmeasured, kUnmeasured, kUnmeasured};
    bool m_bSelected = false;
};

// What a comparison given to SortItems is known to order by: the unsigned bytes of one column's
// texts, ascending or descending, a text that begins another standing before it when ascending.
struct LVSORTKEY {
    int nSubItem = 0;
    bool bDescending = false;
};

// Copies of whole rows, each with the position it holds in the table it belongs to, their texts
// held by the copy. What undo keeps of rows that went, to put them back where they stood.
class CListRowSet {
public:
    void Add(int nPosition, std::string_view title, std::string_view text1, std::string_view text2, LPARAM lParam);
    void Clear();
    // Room for nRows rows of nTextBytes bytes of text in all, so that adding them copies each once.
    void Reserve(std::size_t nRows, std::size_t nTextBytes);

    [[nodiscard]] int GetCount() const { return static_cast<int>(m_rows.size()); }
    [[nodiscard]] int GetPosition(int i) const { return m_rows[static_cast<std::size_t>(i)].nPosition; }
    [[nodiscard]] LPARAM GetKey(int i) const { return m_rows[static_cast<std::size_t>(i)].nKey; }
    [[nodiscard]] std::string_view GetText(int i, int nSubItem) const;

private:
    struct Row {
        std::int32_t nPosition;
        std::int32_t nKey;
        std::uint64_t anEnd[3];  // where each text ends in m_texts; texts lie one after another
    };
    std::vector<Row, CLargeAllocator<Row>> m_rows;
    std::vector<char, CLargeAllocator<char>> m_texts;
};

// Returns a negative number when row1 is to stand above row2, positive when below, 0 when equal.
using PFNLVCOMPARE = int (*)(const CListRow& row1, const CListRow& row2, LPARAM lParamSort);

// What a view needs to follow the table. Calls come in pairs around a change, so that a view can
// tell its toolkit before and after, as item models require.
class IListCtrlObserver {
public:
    virtual ~IListCtrlObserver() = default;
    virtual void OnRowsAboutToBeInserted(int nFirst, int nLast) = 0;
    virtual void OnRowsInserted() = 0;
    virtual void OnRowsAboutToBeRemoved(int nFirst, int nLast) = 0;
    virtual void OnRowsRemoved() = 0;
    // Rows went at many places at once: a view reads the table afresh rather than follow each.
    virtual void OnRowsAboutToBeReset() = 0;
    virtual void OnRowsReset() = 0;
    // A sort moved rows; anNewPosition[old position] is where each row went.
    virtual void OnRowsAboutToBeReordered() = 0;
    virtual void OnRowsReordered(std::span<const int> anNewPosition) = 0;
    virtual void OnTextChanged(int nItem, int nSubItem) = 0;
    // The selected or focused state of rows nFirst to nLast may have changed.
    virtual void OnStatesChanged(int nFirst, int nLast) = 0;
    virtual void OnColumnsAboutToBeInserted(int nFirst, int nLast) = 0;
    virtual void OnColumnsInserted() = 0;
    virtual void OnColumnWidthChanged(int nCol) = 0;
    virtual void OnEnsureVisible(int nItem) = 0;
};

// Widths of cell texts in the list's current font; the view supplies it.
class IListTextMetrics {
public:
    virtual ~IListTextMetrics() = default;
    // The width in pixels that a cell needs to show text whole, its margins included.
    [[nodiscard]] virtual int GetCellTextWidth(std::string_view text) const = 0;
    // Changes whenever the widths given may have changed, such as for a new font: the table then
    // measures its texts again instead of using the widths it has kept.
    [[nodiscard]] virtual unsigned GetMetricsVersion() const { return 0; }
};

class CListCtrl : public CWnd {
public:
    static constexpr int kMaxColumns = CListRow::kCells;

    CListCtrl() = default;

    [[nodiscard]] int GetItemCount() const { return static_cast<int>(m_rows.size()); }

    // LVM_INSERTITEM: a position at or past the end appends. Returns the new row's position, or -1.
    int InsertItem(const LVITEM* pItem);
    // InsertItem at the end with the title and key, then SetItem of the texts of subitems 1 and
    // 2, announcements included, in one call: the row that a load makes for each record.
    int AppendItem(std::string_view title, std::string_view text1, std::string_view text2, LPARAM lParam);
    // LVM_SETITEM: LVIF_TEXT sets one cell's text, LVIF_PARAM (column 0) the key, LVIF_STATE states.
    BOOL SetItem(const LVITEM* pItem);
    BOOL SetItem(int nItem, int nSubItem, UINT nMask, const char* lpszItem, int nImage, UINT nState, UINT nStateMask,
                 LPARAM lParam);
    // The whole text of a cell, valid until the table next changes a text or removes a row.
    // Inline: a save reads three cells per row.
    [[nodiscard]] std::string_view GetItemText(int nItem, int nSubItem) const
    {
        if (!IsValidItem(nItem) || nSubItem < 0 || nSubItem >= kMaxColumns) {
            return {};
        }
        return m_rows[static_cast<std::size_t>(nItem)].GetText(nSubItem);
    }
    [[nodiscard]] LPARAM GetItemData(int nItem) const;
    // Adds a copy of the row, texts and key, to rows, at the row's position.
    void CopyRow(int nItem, CListRowSet& rows) const;

    [[nodiscard]] UINT GetItemState(int nItem, UINT nMask) const;
    // Sets each flag named in the mask; nItem -1 means every row. At most one row is focused.
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    // From nItem (-1: from the top), the next row with the flags; -1 when none.
    [[nodiscard]] int GetNextItem(int nItem, int nFlags) const;
    [[nodiscard]] UINT GetSelectedCount() const { return m_nSelected; }

    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    // Deletes every selected row in one pass: the same rows, keys and flags as deleting the
    // topmost selected row until none is left. Returns how many went; pRemoved, when given,
    // receives copies of them with the positions they held.
    int DeleteSelectedItems(CListRowSet* pRemoved = nullptr);
    // Puts rows back: each row of the set stands at its position once all are in (positions
    // ascending). The rows come in unselected; the rows already there keep their flags.
    BOOL InsertRows(const CListRowSet& rows);
    // The selection as a whole, in one change: exactly the rows given (ascending) are selected,
    // nFocused (-1: none) is focused and nMark is the selection mark.
    void SetSelection(std::span<const int> anSelected, int nFocused, int nMark);
    // Moves the row at each old position i to anNewPosition[i] (a permutation), flags and keys
    // with it, as a sort does.
    BOOL ReorderRows(std::span<const int> anNewPosition);
    // Exchanges the rows, their texts and flags with another table's; columns stay. Lets a table
    // be filled aside and put in whole, or kept aside while it is filled afresh.
    void SwapRows(CListCtrl& other);

    // Reorders the rows by pfnCompare, keeping the earlier order of rows that compare equal.
    // pfnCompare must be a consistent ordering (as a byte-wise comparison of texts is).
    BOOL SortItems(PFNLVCOMPARE pfnCompare, LPARAM lParamSort);
    // The same, for a pfnCompare that orders as key says: most rows are then ordered by the first
    // bytes of their texts, held in the sort's own array, and pfnCompare decides only between
    // rows whose texts begin alike. The order is the one pfnCompare alone gives.
    BOOL SortItems(PFNLVCOMPARE pfnCompare, LPARAM lParamSort, const LVSORTKEY& key);
    // The same, also giving where each row went: (*pNewPosition)[old position] = new position;
    // empty when nothing moved.
    BOOL SortItems(PFNLVCOMPARE pfnCompare, LPARAM lParamSort, const LVSORTKEY& key, std::vector<int>* pNewPosition);

    [[nodiscard]] int GetSelectionMark() const { return m_nSelectionMark; }
    int SetSelectionMark(int nIndex);
    BOOL EnsureVisible(int nItem, BOOL bPartialOK);

    int InsertColumn(int nCol, const LVCOLUMN* pColumn);
    int InsertColumn(int nCol, const char* lpszColumnHeading, int nFormat = 0, int nWidth = -1, int nSubItem = -1);
    [[nodiscard]] int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    [[nodiscard]] std::string_view GetColumnHeading(int nCol) const;
    [[nodiscard]] int GetColumnWidth(int nCol) const;
    // A width in pixels, or LVSCW_AUTOSIZE to fit the widest cell text of the column.
    BOOL SetColumnWidth(int nCol, int cx);

    // WM_SETREDRAW: while redraw is off the table announces nothing row by row; turning it on
    // again announces one reset. For bulk work such as loading the task file.
    void SetRedraw(BOOL bRedraw);

    void AddObserver(IListCtrlObserver* pObserver);
    void RemoveObserver(IListCtrlObserver* pObserver);
    void SetTextMetrics(const IListTextMetrics* pMetrics);

    [[nodiscard]] std::size_t GetTextBytes() const { return m_texts.LiveBytes(); }

private:
    struct Column {
        CString strHeading;
        int cx = 0;
    };
    [[nodiscard]] bool IsValidItem(int nItem) const { return nItem >= 0 && nItem < GetItemCount(); }
    void SetText(CListRow& row, int nCol, std::string_view text);
    void CompactTexts();
    BOOL SortRows(PFNLVCOMPARE pfnCompare, LPARAM lParamSort, const LVSORTKEY* pKey, std::vector<int>* pNewPosition);
    void StoreRowTexts(CListRow& row, const CListRowSet& rows, int i);
    [[nodiscard]] int FitColumnWidth(int nCol);

    template <class Fn>
    void Announce(Fn&& fn)
    {
        if (m_bRedraw) {
            for (IListCtrlObserver* p : m_observers) {
                fn(*p);
            }
        }
    }

    std::vector<CListRow> m_rows;
    std::vector<Column> m_columns;
    CTextStore m_texts;
    int m_nFocused = -1;
    int m_nSelectionMark = -1;
    UINT m_nSelected = 0;
    std::vector<IListCtrlObserver*> m_observers;
    const IListTextMetrics* m_pMetrics = nullptr;
    // The metrics and their version that the widths kept in the rows were measured with.
    const IListTextMetrics* m_pMeasuredWith = nullptr;
    unsigned m_nMeasuredVersion = 0;
    bool m_bRedraw = true;
};
