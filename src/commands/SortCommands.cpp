// Sorting by importance text (descending) or title (ascending), as unsigned bytes. The order is
// not written: it reaches the task file with the next command that saves.
#include "ui/TaskListDlg.h"

#include <algorithm>
#include <cstring>

namespace {

// Unsigned byte order; a text that is the beginning of another stands above it.
int CompareBytes(std::string_view a, std::string_view b)
{
    const int r = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (r != 0) {
        return r < 0 ? -1 : 1;
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

void CTaskListDlg::OnSortImportance()
{
    m_list.SortItems(CompareImportance, reinterpret_cast<LPARAM>(&m_list));
    RenumberKeys();
}

void CTaskListDlg::OnSortTitle()
{
    m_list.SortItems(CompareTitle, reinterpret_cast<LPARAM>(&m_list));
    RenumberKeys();
}
