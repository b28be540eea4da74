// The two operations of the task list that the program owns.
#include "ui/TaskListDlg.h"

#include <charconv>
#include <cstring>

namespace {

// The text a row keeps: at most nMax bytes of a zero-terminated text, cut by byte count, so that
// a double-byte character straddling the limit keeps its first byte.
std::string_view CutText(const char* pSrc, std::size_t nMax)
{
    return pSrc != nullptr ? std::string_view(pSrc, ::strnlen(pSrc, nMax)) : std::string_view();
}

} // namespace

void CTaskListDlg::AppendTask(const char* lpszTitle, int nImportance, const char* lpszDetails)
{
    m_nNewRow = m_list.GetItemCount();
    char szImportance[24];
    const char* const pImportanceEnd = std::to_chars(szImportance, szImportance + sizeof szImportance, nImportance).ptr;
    // The row is inserted with its title and key, then given its importance and details text
    // (which the table keeps only for columns that exist), in one call of the table.
    m_list.AppendItem(CutText(lpszTitle, kMaxTitle),
                      std::string_view(szImportance, static_cast<std::size_t>(pImportanceEnd - szImportance)),
                      CutText(lpszDetails, kMaxDetails), m_nNewRow);
}

void CTaskListDlg::AutoSizeColumns()
{
    if (m_list.GetItemCount() == 0) {
        return;
    }
    m_list.SetColumnWidth(0, LVSCW_AUTOSIZE);
    m_list.SetColumnWidth(2, LVSCW_AUTOSIZE);
}
