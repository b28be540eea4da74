#include "framework/ListCtrl.h"

#include <algorithm>
#include <climits>
#include <cstring>

void CListCtrl::SetText(CListRow& row, int nCol, std::string_view text)
{
    m_texts.Release(row.GetText(nCol));
    const std::string_view stored = m_texts.Store(text);
    row.m_apText[nCol] = stored.data();
    row.m_anLen[nCol] = static_cast<std::uint32_t>(stored.size());
    row.m_anWidth[nCol] = CListRow::kUnmeasured;
}

void CListRowSet::Add(int nPosition, std::string_view title, std::string_view text1, std::string_view text2,
                      LPARAM lParam)
{
    Row row{static_cast<std::int32_t>(nPosition), static_cast<std::int32_t>(lParam), {}};
    const std::string_view texts[] = {title, text1, text2};
    for (int nCol = 0; nCol < 3; ++nCol) {
        m_texts.insert(m_texts.end(), texts[nCol].begin(), texts[nCol].end());
        row.anEnd[nCol] = m_texts.size();
    }
    m_rows.push_back(row);
}

void CListRowSet::Reserve(std::size_t nRows, std::size_t nTextBytes)
{
    m_rows.reserve(nRows);
    m_texts.reserve(nTextBytes);
}

void CListRowSet::Clear()
{
    m_rows.clear();
    m_texts.clear();
}

std::string_view CListRowSet::GetText(int i, int nSubItem) const
{
    const Row& row = m_rows[static_cast<std::size_t>(i)];
    std::uint64_t nBegin = 0;
    if (nSubItem > 0) {
        nBegin = row.anEnd[nSubItem - 1];
    } else if (i > 0) {
        nBegin = m_rows[static_cast<std::size_t>(i) - 1].anEnd[2];
    }
    return {m_texts.data() + nBegin, static_cast<std::size_t>(row.anEnd[nSubItem] - nBegin)};
}

void CListCtrl::CompactTexts()
{
    // While the rows hold their texts in the order the texts were stored, as from a load until a
    // sort or a changed text reorders them, the texts move down in place: copying them into a
    // fresh store would first fault in as much new memory as they take up.
    CTextStore::COrderCheck order(m_texts);
    const bool bInOrder = std::all_of(m_rows.begin(), m_rows.end(), [&order](const CListRow& row) {
        return order.Next(row.GetText(0)) && order.Next(row.GetText(1)) && order.Next(row.GetText(2));
    });
    if (bInOrder) {
        CTextStore::CCompactor compactor(m_texts);
        for (CListRow& row : m_rows) {
            for (int nCol = 0; nCol < kMaxColumns; ++nCol) {
                row.m_apText[nCol] = compactor.Move(row.GetText(nCol)).data();
            }
        }
        compactor.Finish();
        return;
    }
    // Views of the old store die with it; callers hold none across a change (see GetItemText).
    CTextStore fresh;
    for (CListRow& row : m_rows) {
        for (int nCol = 0; nCol < kMaxColumns; ++nCol) {
            const std::string_view stored = fresh.Store(row.GetText(nCol));
            row.m_apText[nCol] = stored.data();
        }
    }
    m_texts = std::move(fresh);
}

int CListCtrl::InsertItem(const LVITEM* pItem)
{
    const int nCount = GetItemCount();
    if (pItem == nullptr || pItem->iItem < 0 || nCount == INT_MAX) {
        return -1;
    }
    const int nItem = std::min(pItem->iItem, nCount);
    Announce([nItem](IListCtrlObserver& o) { o.OnRowsAboutToBeInserted(nItem, nItem); });
    CListRow row;
    if ((pItem->mask & LVIF_TEXT) != 0 && pItem->pszText != nullptr) {
        SetText(row, 0, pItem->pszText);
    }
    if ((pItem->mask & LVIF_PARAM) != 0) {
        row.m_lParam = static_cast<std::int32_t>(pItem->lParam);
    }
    if (nItem == nCount) {
        m_rows.push_back(row);  // the common case, loading included: no shifting to set up
    } else {
        m_rows.insert(m_rows.begin() + nItem, row);
    }
    if (m_nFocused >= nItem) {
        ++m_nFocused;
    }
    if (m_nSelectionMark >= nItem) {
        ++m_nSelectionMark;
    }
    Announce([](IListCtrlObserver& o) { o.OnRowsInserted(); });
    return nItem;
}

int CListCtrl::AppendItem(std::string_view title, std::string_view text1, std::string_view text2, LPARAM lParam)
{
    const int nItem = GetItemCount();
    if (nItem == INT_MAX) {
        return -1;
    }
    // Past the last row there is neither focus nor selection mark to move down.
    Announce([nItem](IListCtrlObserver& o) { o.OnRowsAboutToBeInserted(nItem, nItem); });
    // A new row has no texts to release: they are stored straight away.
    auto storeText = [this](CListRow& row, int nCol, std::string_view text) {
        const std::string_view stored = m_texts.Store(text);
        row.m_apText[nCol] = stored.data();
        row.m_anLen[nCol] = static_cast<std::uint32_t>(stored.size());
    };
    CListRow& row = m_rows.emplace_back();
    storeText(row, 0, title);
    row.m_lParam = static_cast<std::int32_t>(lParam);
    Announce([](IListCtrlObserver& o) { o.OnRowsInserted(); });
    const std::string_view subTexts[] = {text1, text2};
    for (int nSubItem = 1; nSubItem < kMaxColumns && nSubItem < GetColumnCount(); ++nSubItem) {
        storeText(m_rows.back(), nSubItem, subTexts[nSubItem - 1]);
        Announce([nItem, nSubItem](IListCtrlObserver& o) { o.OnTextChanged(nItem, nSubItem); });
    }
    return nItem;
}

BOOL CListCtrl::SetItem(const LVITEM* pItem)
{
    if (pItem == nullptr || !IsValidItem(pItem->iItem) || pItem->iSubItem < 0 || pItem->iSubItem >= kMaxColumns) {
        return FALSE;
    }
    CListRow& row = m_rows[static_cast<std::size_t>(pItem->iItem)];
    BOOL bResult = TRUE;
    if ((pItem->mask & LVIF_TEXT) != 0) {
        // Column 0 is the row's own text; a subitem's text is kept only for a column that exists.
        if (pItem->iSubItem == 0 || pItem->iSubItem < GetColumnCount()) {
            SetText(row, pItem->iSubItem, pItem->pszText != nullptr ? pItem->pszText : "");
            Announce([pItem](IListCtrlObserver& o) { o.OnTextChanged(pItem->iItem, pItem->iSubItem); });
        } else {
            bResult = FALSE;
        }
    }
    if ((pItem->mask & LVIF_PARAM) != 0 && pItem->iSubItem == 0) {
        row.m_lParam = static_cast<std::int32_t>(pItem->lParam);
    }
    if ((pItem->mask & LVIF_STATE) != 0) {
        SetItemState(pItem->iItem, pItem->state, pItem->stateMask);
    }
    return bResult;
}

BOOL CListCtrl::SetItem(int nItem, int nSubItem, UINT nMask, const char* lpszItem, int nImage, UINT nState, UINT nStateMask,
                        LPARAM lParam)
{
    LVITEM item;
    item.mask = nMask;
    item.iItem = nItem;
    item.iSubItem = nSubItem;
    item.state = nState;
    item.stateMask = nStateMask;
    item.pszText = lpszItem;
    item.iImage = nImage;
    item.lParam = lParam;
    return SetItem(&item);
}

LPARAM CListCtrl::GetItemData(int nItem) const
{
    return IsValidItem(nItem) ? m_rows[static_cast<std::size_t>(nItem)].m_lParam : 0;
}

void CListCtrl::CopyRow(int nItem, CListRowSet& rows) const
{
    rows.Add(nItem, GetItemText(nItem, 0), GetItemText(nItem, 1), GetItemText(nItem, 2), GetItemData(nItem));
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const
{
    if (!IsValidItem(nItem)) {
        return 0;
    }
    UINT nState = m_rows[static_cast<std::size_t>(nItem)].m_bSelected ? LVIS_SELECTED : 0;
    if (nItem == m_nFocused) {
        nState |= LVIS_FOCUSED;
    }
    return nState & nMask;
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask)
{
    const int nCount = GetItemCount();
    if (nItem == -1) {
        if ((nMask & LVIS_SELECTED) != 0) {
            const bool bSelect = (nState & LVIS_SELECTED) != 0;
            for (CListRow& row : m_rows) {
                row.m_bSelected = bSelect;
            }
            m_nSelected = bSelect ? static_cast<UINT>(nCount) : 0;
        }
        // Focusing every row means nothing; clearing the focus everywhere leaves no row focused.
        if ((nMask & LVIS_FOCUSED) != 0 && (nState & LVIS_FOCUSED) == 0) {
            m_nFocused = -1;
        }
        if (nCount > 0) {
            Announce([nCount](IListCtrlObserver& o) { o.OnStatesChanged(0, nCount - 1); });
        }
        return TRUE;
    }
    if (!IsValidItem(nItem)) {
        return FALSE;
    }
    CListRow& row = m_rows[static_cast<std::size_t>(nItem)];
    if ((nMask & LVIS_SELECTED) != 0) {
        const bool bSelect = (nState & LVIS_SELECTED) != 0;
        if (bSelect != row.m_bSelected) {
            row.m_bSelected = bSelect;
            bSelect ? ++m_nSelected : --m_nSelected;
        }
    }
    if ((nMask & LVIS_FOCUSED) != 0) {
        if ((nState & LVIS_FOCUSED) != 0) {
            const int nOld = m_nFocused;
            m_nFocused = nItem;
            if (nOld != -1 && nOld != nItem) {
                Announce([nOld](IListCtrlObserver& o) { o.OnStatesChanged(nOld, nOld); });
            }
        } else if (m_nFocused == nItem) {
            m_nFocused = -1;
        }
    }
    Announce([nItem](IListCtrlObserver& o) { o.OnStatesChanged(nItem, nItem); });
    return TRUE;
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const
{
    const int nStart = std::max(nItem + 1, 0);
    const int nCount = GetItemCount();
    if ((nFlags & LVNI_FOCUSED) != 0) {
        const bool bMatch = m_nFocused >= nStart && ((nFlags & LVNI_SELECTED) == 0 || m_rows[static_cast<std::size_t>(m_nFocused)].m_bSelected);
        return bMatch ? m_nFocused : -1;
    }
    if ((nFlags & LVNI_SELECTED) != 0) {
        if (m_nSelected == 0) {
            return -1;
        }
        for (int i = nStart; i < nCount; ++i) {
            if (m_rows[static_cast<std::size_t>(i)].m_bSelected) {
                return i;
            }
        }
        return -1;
    }
    return nStart < nCount ? nStart : -1;
}

BOOL CListCtrl::DeleteItem(int nItem)
{
    if (!IsValidItem(nItem)) {
        return FALSE;
    }
    Announce([nItem](IListCtrlObserver& o) { o.OnRowsAboutToBeRemoved(nItem, nItem); });
    CListRow& row = m_rows[static_cast<std::size_t>(nItem)];
    for (int nCol = 0; nCol < kMaxColumns; ++nCol) {
        m_texts.Release(row.GetText(nCol));
    }
    if (row.m_bSelected) {
        --m_nSelected;
    }
    m_rows.erase(m_rows.begin() + nItem);
    const int nCount = GetItemCount();
    // The focus passes to the row that takes the deleted row's place, as in a desktop list.
    bool bFocusMoved = false;
    if (m_nFocused == nItem) {
        m_nFocused = std::min(nItem, nCount - 1);
        bFocusMoved = m_nFocused != -1;
    } else if (m_nFocused > nItem) {
        --m_nFocused;
    }
    if (m_nSelectionMark == nItem) {
        m_nSelectionMark = -1;
    } else if (m_nSelectionMark > nItem) {
        --m_nSelectionMark;
    }
    Announce([](IListCtrlObserver& o) { o.OnRowsRemoved(); });
    if (bFocusMoved) {
        const int nFocused = m_nFocused;
        Announce([nFocused](IListCtrlObserver& o) { o.OnStatesChanged(nFocused, nFocused); });
    }
    if (m_texts.WantsCompaction()) {
        CompactTexts();
    }
    return TRUE;
}

BOOL CListCtrl::DeleteAllItems()
{
    const int nCount = GetItemCount();
    if (nCount > 0) {
        Announce([nCount](IListCtrlObserver& o) { o.OnRowsAboutToBeRemoved(0, nCount - 1); });
    }
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_texts.Clear();
    m_nFocused = -1;
    m_nSelectionMark = -1;
    m_nSelected = 0;
    if (nCount > 0) {
        Announce([](IListCtrlObserver& o) { o.OnRowsRemoved(); });
    }
    return TRUE;
}

int CListCtrl::DeleteSelectedItems(CListRowSet* pRemoved)
{
    if (pRemoved != nullptr) {
        pRemoved->Clear();
    }
    if (m_nSelected == 0) {
        return 0;
    }
    const int nCount = GetItemCount();
    const int nFirst = GetNextItem(-1, LVNI_SELECTED);
    int nLast = nFirst;
    while (nLast + 1 < nCount && m_rows[static_cast<std::size_t>(nLast + 1)].m_bSelected) {
        ++nLast;
    }
    const bool bOneRun = static_cast<UINT>(nLast - nFirst + 1) == m_nSelected;
    if (bOneRun) {
        Announce([nFirst, nLast](IListCtrlObserver& o) { o.OnRowsAboutToBeRemoved(nFirst, nLast); });
    } else {
        Announce([](IListCtrlObserver& o) { o.OnRowsAboutToBeReset(); });
    }

    // When the texts going leave so much garbage that the store is compacted afterwards, the old
    // store goes whole and its texts need not be released one by one, each with a search.
    std::size_t nGoingBytes = 0;
    for (std::size_t i = static_cast<std::size_t>(nFirst); i < m_rows.size(); ++i) {
        const CListRow& row = m_rows[i];
        if (row.m_bSelected) {
            nGoingBytes += std::size_t{row.m_anLen[0]} + row.m_anLen[1] + row.m_anLen[2];
        }
    }
    const bool bCompact = m_texts.WantsCompaction(nGoingBytes);
    if (pRemoved != nullptr) {
        pRemoved->Reserve(m_nSelected, nGoingBytes);
    }

    // One pass from the first selected row (the rows above it stay where they are): survivors
    // move up in order; the focus goes to the first survivor at or below the focused row (the
    // last row when there is none), and a deleted selection mark is dropped.
    int nOut = nFirst;
    int nNewFocus = m_nFocused < nFirst ? m_nFocused : -1;
    int nNewMark = m_nSelectionMark < nFirst ? m_nSelectionMark : -1;
    for (int i = nFirst; i < nCount; ++i) {
        CListRow& row = m_rows[static_cast<std::size_t>(i)];
        if (i == m_nFocused) {
            nNewFocus = nOut;
        }
        if (row.m_bSelected) {
            if (pRemoved != nullptr) {
                pRemoved->Add(i, row.GetText(0), row.GetText(1), row.GetText(2), row.m_lParam);
            }
            for (int nCol = 0; nCol < kMaxColumns && !bCompact; ++nCol) {
                m_texts.Release(row.GetText(nCol));
            }
            continue;
        }
        if (i == m_nSelectionMark) {
            nNewMark = nOut;
        }
        m_rows[static_cast<std::size_t>(nOut++)] = row;
    }
    m_rows.resize(static_cast<std::size_t>(nOut));
    const int nDeleted = nCount - nOut;
    m_nSelected = 0;
    m_nFocused = m_nFocused == -1 ? -1 : std::min(nNewFocus, nOut - 1);
    m_nSelectionMark = nNewMark;

    if (bOneRun) {
        Announce([](IListCtrlObserver& o) { o.OnRowsRemoved(); });
        if (m_nFocused != -1) {
            const int nFocused = m_nFocused;
            Announce([nFocused](IListCtrlObserver& o) { o.OnStatesChanged(nFocused, nFocused); });
        }
    } else {
        Announce([](IListCtrlObserver& o) { o.OnRowsReset(); });
    }
    if (bCompact || m_texts.WantsCompaction()) {
        CompactTexts();
    }
    return nDeleted;
}

namespace {

// A row as the sort orders it: its old position, and a key made of the first bytes of the text it
// is sorted by. With 19 bytes in the key, few pairs of rows need their texts read.
struct SortEntry {
    std::uint64_t nHead;  // bytes 0 to 7, the first the most significant; 0 past the text's end
    std::uint64_t nMiddle;  // bytes 8 to 15 likewise
    std::uint32_t nTail;  // bytes 16 to 18 likewise, then the length up to kLongText
    std::int32_t nOrigin;
};
constexpr std::size_t kKeyBytes = 19;
constexpr std::uint32_t kLongText = kKeyBytes + 1;  // the text goes on past the bytes in the key

SortEntry MakeSortEntry(std::string_view text, int nOrigin, bool bDescending)
{
    unsigned char bytes[kKeyBytes] = {};
    if (!text.empty()) {
        std::memcpy(bytes, text.data(), std::min(text.size(), sizeof bytes));
    }
    const auto bigEndian = [&bytes](int nFirst) {
        std::uint64_t n = 0;
        for (int i = nFirst; i < nFirst + 8; ++i) {
            n = (n << 8) | bytes[i];
        }
        return n;
    };
    std::uint64_t nHead = bigEndian(0);
    std::uint64_t nMiddle = bigEndian(8);
    const auto nLength = static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), kLongText));
    std::uint32_t nTail = (std::uint32_t{bytes[16]} << 24) | (std::uint32_t{bytes[17]} << 16) | (std::uint32_t{bytes[18]} << 8) | nLength;
    if (bDescending) {
        nHead = ~nHead;
        nMiddle = ~nMiddle;
        nTail = ~nTail;
    }
    return {nHead, nMiddle, nTail, nOrigin};
}

} // namespace

BOOL CListCtrl::SortItems(PFNLVCOMPARE pfnCompare, LPARAM lParamSort)
{
    return SortRows(pfnCompare, lParamSort, nullptr, nullptr);
}

BOOL CListCtrl::SortItems(PFNLVCOMPARE pfnCompare, LPARAM lParamSort, const LVSORTKEY& key)
{
    return SortItems(pfnCompare, lParamSort, key, nullptr);
}

BOOL CListCtrl::SortItems(PFNLVCOMPARE pfnCompare, LPARAM lParamSort, const LVSORTKEY& key, std::vector<int>* pNewPosition)
{
    return SortRows(pfnCompare, lParamSort, key.nSubItem >= 0 && key.nSubItem < kMaxColumns ? &key : nullptr, pNewPosition);
}

BOOL CListCtrl::SortRows(PFNLVCOMPARE pfnCompare, LPARAM lParamSort, const LVSORTKEY* pKey, std::vector<int>* pNewPosition)
{
    const int nCount = GetItemCount();
    if (pNewPosition != nullptr) {
        pNewPosition->clear();
    }
    if (pfnCompare == nullptr) {
        return FALSE;
    }
    if (nCount < 2) {
        return TRUE;
    }
    Announce([](IListCtrlObserver& o) { o.OnRowsAboutToBeReordered(); });
    // An array of small entries is sorted, not the rows: comparing the keys in it reads no text,
    // which at a million rows, with their texts scattered over the store, costs more than the
    // comparisons themselves. The old position settles ties, so that the in-place sort keeps the
    // earlier order of rows that compare equal. Without a key every pair goes to pfnCompare.
    const bool bDescending = pKey != nullptr && pKey->bDescending;
    std::vector<SortEntry> entries(static_cast<std::size_t>(nCount));
    for (int i = 0; i < nCount; ++i) {
        const CListRow& row = m_rows[static_cast<std::size_t>(i)];
        entries[static_cast<std::size_t>(i)] =
            pKey != nullptr ? MakeSortEntry(row.GetText(pKey->nSubItem), i, bDescending) : SortEntry{0, 0, 0, i};
    }
    const std::vector<CListRow>& rows = m_rows;
    const bool bKeyed = pKey != nullptr;
    std::sort(entries.begin(), entries.end(), [&](const SortEntry& a, const SortEntry& b) {
        if (a.nHead != b.nHead) {
            return a.nHead < b.nHead;
        }
        if (a.nMiddle != b.nMiddle) {
            return a.nMiddle < b.nMiddle;
        }
        if (a.nTail != b.nTail) {
            return a.nTail < b.nTail;
        }
        // Keys alike: two texts that end within the key are the same bytes; longer ones are compared.
        const std::uint32_t nLength = (bDescending ? ~a.nTail : a.nTail) & 0xFF;
        if (!bKeyed || nLength == kLongText) {
            const int r = pfnCompare(rows[static_cast<std::size_t>(a.nOrigin)], rows[static_cast<std::size_t>(b.nOrigin)],
                                     lParamSort);
            if (r != 0) {
                return r < 0;
            }
        }
        return a.nOrigin < b.nOrigin;
    });

    std::vector<int> anNewPosition(static_cast<std::size_t>(nCount));
    for (int nNew = 0; nNew < nCount; ++nNew) {
        anNewPosition[static_cast<std::size_t>(entries[static_cast<std::size_t>(nNew)].nOrigin)] = nNew;
    }
    // The rows are gathered into their new order: reading ahead in the entries, the loop asks for
    // the rows it will need a few steps before it copies them, so that their cache misses overlap.
    std::vector<CListRow> sorted;
    sorted.reserve(static_cast<std::size_t>(nCount));
    constexpr int kAhead = 16;
    for (int i = 0; i < nCount; ++i) {
        if (i + kAhead < nCount) {
            __builtin_prefetch(&m_rows[static_cast<std::size_t>(entries[static_cast<std::size_t>(i + kAhead)].nOrigin)]);
        }
        sorted.push_back(m_rows[static_cast<std::size_t>(entries[static_cast<std::size_t>(i)].nOrigin)]);
    }
    m_rows.swap(sorted);
    sorted = {};
    entries = {};
    if (m_nFocused != -1) {
        m_nFocused = anNewPosition[static_cast<std::size_t>(m_nFocused)];
    }
    if (m_nSelectionMark != -1) {
        m_nSelectionMark = anNewPosition[static_cast<std::size_t>(m_nSelectionMark)];
    }
    Announce([&anNewPosition](IListCtrlObserver& o) { o.OnRowsReordered(anNewPosition); });
    if (pNewPosition != nullptr) {
        int i = 0;
        while (i < nCount && anNewPosition[static_cast<std::size_t>(i)] == i) {
            ++i;
        }
        if (i < nCount) {
            *pNewPosition = std::move(anNewPosition);
        }
    }
    return TRUE;
}

BOOL CListCtrl::ReorderRows(std::span<const int> anNewPosition)
{
    const int nCount = GetItemCount();
    if (anNewPosition.size() != static_cast<std::size_t>(nCount)) {
        return FALSE;
    }
    std::vector<bool> bTaken(static_cast<std::size_t>(nCount), false);
    for (const int nNew : anNewPosition) {
        if (nNew < 0 || nNew >= nCount || bTaken[static_cast<std::size_t>(nNew)]) {
            return FALSE;  // not a permutation
        }
        bTaken[static_cast<std::size_t>(nNew)] = true;
    }
    Announce([](IListCtrlObserver& o) { o.OnRowsAboutToBeReordered(); });
    std::vector<CListRow> moved(static_cast<std::size_t>(nCount));
    for (int i = 0; i < nCount; ++i) {
        moved[static_cast<std::size_t>(anNewPosition[static_cast<std::size_t>(i)])] = m_rows[static_cast<std::size_t>(i)];
    }
    m_rows.swap(moved);
    if (m_nFocused != -1) {
        m_nFocused = anNewPosition[static_cast<std::size_t>(m_nFocused)];
    }
    if (m_nSelectionMark != -1) {
        m_nSelectionMark = anNewPosition[static_cast<std::size_t>(m_nSelectionMark)];
    }
    Announce([anNewPosition](IListCtrlObserver& o) { o.OnRowsReordered(anNewPosition); });
    return TRUE;
}

void CListCtrl::StoreRowTexts(CListRow& row, const CListRowSet& rows, int i)
{
    for (int nCol = 0; nCol < kMaxColumns; ++nCol) {
        const std::string_view stored = m_texts.Store(rows.GetText(i, nCol));
        row.m_apText[nCol] = stored.data();
        row.m_anLen[nCol] = static_cast<std::uint32_t>(stored.size());
    }
}

BOOL CListCtrl::InsertRows(const CListRowSet& rows)
{
    const int nAdded = rows.GetCount();
    if (nAdded == 0) {
        return TRUE;
    }
    const int nCount = GetItemCount();
    if (nCount > INT_MAX - nAdded) {
        return FALSE;
    }
    const int nTotal = nCount + nAdded;
    for (int i = 0; i < nAdded; ++i) {
        const int nPos = rows.GetPosition(i);
        if (nPos < 0 || nPos >= nTotal || (i > 0 && nPos <= rows.GetPosition(i - 1))) {
            return FALSE;
        }
    }
    const int nFirst = rows.GetPosition(0);
    const bool bOneRun = rows.GetPosition(nAdded - 1) - nFirst + 1 == nAdded;
    if (bOneRun) {
        Announce([nFirst, nAdded](IListCtrlObserver& o) { o.OnRowsAboutToBeInserted(nFirst, nFirst + nAdded - 1); });
    } else {
        Announce([](IListCtrlObserver& o) { o.OnRowsAboutToBeReset(); });
    }
    // One pass from the end, in place, merging the rows that stay with the rows that come back:
    // after a delete the vector still has the room, so no memory is new. The focus and the mark
    // move with the rows that stay.
    m_rows.resize(static_cast<std::size_t>(nTotal));
    int nOld = nCount - 1;
    int nNext = nAdded - 1;
    int nNewFocus = -1;
    int nNewMark = -1;
    for (int nPos = nTotal - 1; nPos >= 0; --nPos) {
        CListRow& dest = m_rows[static_cast<std::size_t>(nPos)];
        if (nNext >= 0 && rows.GetPosition(nNext) == nPos) {
            dest = CListRow();
            StoreRowTexts(dest, rows, nNext);
            dest.m_lParam = static_cast<std::int32_t>(rows.GetKey(nNext));
            --nNext;
            continue;
        }
        if (nOld == m_nFocused) {
            nNewFocus = nPos;
        }
        if (nOld == m_nSelectionMark) {
            nNewMark = nPos;
        }
        dest = m_rows[static_cast<std::size_t>(nOld--)];
    }
    m_nFocused = nNewFocus;
    m_nSelectionMark = nNewMark;
    if (bOneRun) {
        Announce([](IListCtrlObserver& o) { o.OnRowsInserted(); });
    } else {
        Announce([](IListCtrlObserver& o) { o.OnRowsReset(); });
    }
    return TRUE;
}

void CListCtrl::SetSelection(std::span<const int> anSelected, int nFocused, int nMark)
{
    const int nCount = GetItemCount();
    for (CListRow& row : m_rows) {
        row.m_bSelected = false;
    }
    m_nSelected = 0;
    for (const int nItem : anSelected) {
        if (IsValidItem(nItem) && !m_rows[static_cast<std::size_t>(nItem)].m_bSelected) {
            m_rows[static_cast<std::size_t>(nItem)].m_bSelected = true;
            ++m_nSelected;
        }
    }
    m_nFocused = IsValidItem(nFocused) ? nFocused : -1;
    m_nSelectionMark = IsValidItem(nMark) ? nMark : -1;
    if (nCount > 0) {
        Announce([nCount](IListCtrlObserver& o) { o.OnStatesChanged(0, nCount - 1); });
    }
}

void CListCtrl::SwapRows(CListCtrl& other)
{
    Announce([](IListCtrlObserver& o) { o.OnRowsAboutToBeReset(); });
    other.Announce([](IListCtrlObserver& o) { o.OnRowsAboutToBeReset(); });
    m_rows.swap(other.m_rows);
    std::swap(m_texts, other.m_texts);
    std::swap(m_nFocused, other.m_nFocused);
    std::swap(m_nSelectionMark, other.m_nSelectionMark);
    std::swap(m_nSelected, other.m_nSelected);
    // Widths kept in the rows hold for the metrics they were measured with.
    std::swap(m_pMeasuredWith, other.m_pMeasuredWith);
    std::swap(m_nMeasuredVersion, other.m_nMeasuredVersion);
    Announce([](IListCtrlObserver& o) { o.OnRowsReset(); });
    other.Announce([](IListCtrlObserver& o) { o.OnRowsReset(); });
}

int CListCtrl::SetSelectionMark(int nIndex)
{
    const int nOld = m_nSelectionMark;
    if (nIndex >= -1 && nIndex < GetItemCount()) {
        m_nSelectionMark = nIndex;
    }
    return nOld;
}

BOOL CListCtrl::EnsureVisible(int nItem, BOOL /*bPartialOK*/)
{
    if (!IsValidItem(nItem)) {
        return FALSE;
    }
    Announce([nItem](IListCtrlObserver& o) { o.OnEnsureVisible(nItem); });
    return TRUE;
}

int CListCtrl::InsertColumn(int nCol, const LVCOLUMN* pColumn)
{
    const int nColumns = GetColumnCount();
    if (pColumn == nullptr || nCol < 0 || nColumns == kMaxColumns) {
        return -1;
    }
    nCol = std::min(nCol, nColumns);
    Announce([nCol](IListCtrlObserver& o) { o.OnColumnsAboutToBeInserted(nCol, nCol); });
    Column column;
    if ((pColumn->mask & LVCF_TEXT) != 0 && pColumn->pszText != nullptr) {
        column.strHeading = pColumn->pszText;
    }
    if ((pColumn->mask & LVCF_WIDTH) != 0) {
        column.cx = std::max(pColumn->cx, 0);
    }
    m_columns.insert(m_columns.begin() + nCol, column);
    // Subitem texts move right with their columns; column 0's text is the row's own and stays.
    // The cell past the last column is always empty, since texts are kept only for columns.
    const int nFirstMoved = std::max(nCol, 1);
    for (CListRow& row : m_rows) {
        for (int c = nColumns; c > nFirstMoved; --c) {
            row.m_apText[c] = row.m_apText[c - 1];
            row.m_anLen[c] = row.m_anLen[c - 1];
            row.m_anWidth[c] = row.m_anWidth[c - 1];
        }
        if (nFirstMoved <= nColumns) {
            row.m_apText[nFirstMoved] = nullptr;
            row.m_anLen[nFirstMoved] = 0;
            row.m_anWidth[nFirstMoved] = CListRow::kUnmeasured;
        }
    }
    Announce([](IListCtrlObserver& o) { o.OnColumnsInserted(); });
    return nCol;
}

int CListCtrl::InsertColumn(int nCol, const char* lpszColumnHeading, int nFormat, int nWidth, int /*nSubItem*/)
{
    LVCOLUMN column;
    column.mask = LVCF_TEXT | LVCF_FMT | (nWidth >= 0 ? LVCF_WIDTH : 0);
    column.fmt = nFormat;
    column.cx = nWidth;
    column.pszText = lpszColumnHeading;
    return InsertColumn(nCol, &column);
}

std::string_view CListCtrl::GetColumnHeading(int nCol) const
{
    return (nCol >= 0 && nCol < GetColumnCount()) ? std::string_view(m_columns[static_cast<std::size_t>(nCol)].strHeading)
                                                  : std::string_view();
}

int CListCtrl::GetColumnWidth(int nCol) const
{
    return (nCol >= 0 && nCol < GetColumnCount()) ? m_columns[static_cast<std::size_t>(nCol)].cx : 0;
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx)
{
    if (nCol < 0 || nCol >= GetColumnCount()) {
        return FALSE;
    }
    if (cx == LVSCW_AUTOSIZE) {
        if (m_pMetrics == nullptr) {
            return FALSE;
        }
        cx = FitColumnWidth(nCol);
    } else if (cx < 0) {
        return FALSE;
    }
    m_columns[static_cast<std::size_t>(nCol)].cx = cx;
    Announce([nCol](IListCtrlObserver& o) { o.OnColumnWidthChanged(nCol); });
    return TRUE;
}

int CListCtrl::FitColumnWidth(int nCol)
{
    // Measured here, once per request, never while the view lays itself out. A cell is measured
    // once per font: Add and Edit fit the columns over every row, and only their new row's
    // texts have not been measured before.
    if (m_pMeasuredWith != m_pMetrics || m_nMeasuredVersion != m_pMetrics->GetMetricsVersion()) {
        for (CListRow& row : m_rows) {
            std::fill(std::begin(row.m_anWidth), std::end(row.m_anWidth), CListRow::kUnmeasured);
        }
        m_pMeasuredWith = m_pMetrics;
        m_nMeasuredVersion = m_pMetrics->GetMetricsVersion();
    }
    int nWidest = m_pMetrics->GetCellTextWidth({});
    for (CListRow& row : m_rows) {
        int nWidth = row.m_anWidth[nCol];
        if (nWidth == CListRow::kUnmeasured) {
            nWidth = m_pMetrics->GetCellTextWidth(row.GetText(nCol));
            if (nWidth >= 0 && nWidth < CListRow::kUnmeasured) {
                row.m_anWidth[nCol] = static_cast<std::uint16_t>(nWidth);
            }
        }
        nWidest = std::max(nWidest, nWidth);
    }
    return nWidest;
}

void CListCtrl::SetTextMetrics(const IListTextMetrics* pMetrics)
{
    m_pMetrics = pMetrics;
    m_pMeasuredWith = nullptr;  // another object, or a new one where an old one stood
}

void CListCtrl::SetRedraw(BOOL bRedraw)
{
    const bool bOn = bRedraw != FALSE;
    if (bOn == m_bRedraw) {
        return;
    }
    if (!bOn) {
        Announce([](IListCtrlObserver& o) { o.OnRowsAboutToBeReset(); });
        m_bRedraw = false;
    } else {
        m_bRedraw = true;
        Announce([](IListCtrlObserver& o) { o.OnRowsReset(); });
    }
}

void CListCtrl::AddObserver(IListCtrlObserver* pObserver)
{
    if (pObserver != nullptr && std::find(m_observers.begin(), m_observers.end(), pObserver) == m_observers.end()) {
        m_observers.push_back(pObserver);
    }
}

void CListCtrl::RemoveObserver(IListCtrlObserver* pObserver)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), pObserver), m_observers.end());
}
