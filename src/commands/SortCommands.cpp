// Sorting by importance text (descending) or title (ascending), as unsigned bytes. The order is
// not written: it reaches the task file with the next command that saves.
#include "ui/TaskListDlg.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

// Unsigned byte order; a text that is the beginning of another stands above it.
int CompareBytes(std::string_view a, std::string_view b)
{
    // A sort makes some twenty comparisons per row and most texts differ within their first
    // bytes, so eight bytes are compared at a time here rather than in a call to memcmp.
    const std::size_t nCommon = std::min(a.size(), b.size());
    std::size_t i = 0;
    for (; i + 8 <= nCommon; i += 8) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y) {
            // The first differing byte is the lowest one in memory order.
            const std::uint64_t diff = x ^ y;
            const int nBit =
                std::endian::native == std::endian::little ? std::countr_zero(diff) : std::countl_zero(diff);
            i += static_cast<std::size_t>(nBit / 8);
            break;
        }
    }
    for (; i < nCommon; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

} // namespace

int CTaskListDlg::CompareTitle(const CListRow& row1, const CListRow& row2, LPARAM /*lParamSort*/)
{
    return CompareBytes(row1.GetText(0), row2.GetText(0));
}

int CTaskListDlg::CompareImportance(const CListRow& row1, const CListRow& row2, LPARAM /*lParamSort*/)
{
    return -CompareBytes(row1.GetText(1), row2.GetText(1));
}

void CTaskListDlg::RenumberKeys()
{
    const int nCount = m_list.GetItemCount();
    for (int i = 0; i < nCount; ++i) {
        m_list.SetItem(i, 0, LVIF_PARAM, nullptr, 0, 0, 0, i);
    }
}

void CTaskListDlg::SortWithUndo(PFNLVCOMPARE pfnCompare, const LVSORTKEY& key)
{
    // The step is the permutation, and the keys only where they were not the positions already.
    CUndoStep step(CUndoStep::Kind::Sort);
    step.before = CListSelection::Of(m_list);
    const int nCount = m_list.GetItemCount();
    for (int i = 0; i < nCount; ++i) {
        if (m_list.GetItemData(i) != i) {
            step.anOldKeys.resize(static_cast<std::size_t>(nCount));
            for (int j = 0; j < nCount; ++j) {
                step.anOldKeys[static_cast<std::size_t>(j)] = static_cast<std::int32_t>(m_list.GetItemData(j));
            }
            break;
        }
    }
    m_list.SortItems(pfnCompare, reinterpret_cast<LPARAM>(&m_list), key, &step.anNewPosition);
    RenumberKeys();
    if (!step.anNewPosition.empty() || !step.anOldKeys.empty()) {
        m_undo.Record(std::move(step));
    }
}

void CTaskListDlg::OnSortImportance() { SortWithUndo(CompareImportance, LVSORTKEY{1, true}); }

void CTaskListDlg::OnSortTitle() { SortWithUndo(CompareTitle, LVSORTKEY{0, false}); }
