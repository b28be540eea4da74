// The two operations of the task list that the program owns.
#include "framework/Decimal.h"
#include "ui/TaskListDlg.h"

#include <cstring>

namespace {

// Copies at most nMax bytes of a zero-terminated text: a cut by byte count, so a double-byte
// character straddling the limit keeps its first byte.
void CopyCut(char* pDest, const char* pSrc, std::size_t nMax)
{
    const std::size_t n = pSrc != nullptr ? ::strnlen(pSrc, nMax) : 0;
    std::memcpy(pDest, pSrc, n);
    pDest[n] = '\0';
}

} // namespace

void CTaskListDlg::AppendTask(const char* lpszTitle, int nImportance, const char* lpszDetails)
{
    char szTitle[kMaxTitle + 1];
    char szDetails[kMaxDetails + 1];
    CopyCut(szTitle, lpszTitle, kMaxTitle);
    CopyCut(szDetails, lpszDetails, kMaxDetails);

    m_nNewRow = m_list.GetItemCount();
    LVITEM item;
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = m_nNewRow;
    item.iSubItem = 0;
    item.pszText = szTitle;
    item.lParam = m_nNewRow;
    m_list.InsertItem(&item);

    const CString strImportance = FormatDecimal(nImportance);
    item.mask = LVIF_TEXT;
    item.iItem = m_nNewRow;
    item.iSubItem = 1;
    item.pszText = strImportance.c_str();
    m_list.SetItem(&item);

    item.iSubItem = 2;
    item.pszText = szDetails;
    m_list.SetItem(&item);
}

void CTaskListDlg::AutoSizeColumns()
{
    if (m_list.GetItemCount() == 0) {
        return;
    }
    m_list.SetColumnWidth(0, LVSCW_AUTOSIZE);
    m_list.SetColumnWidth(2, LVSCW_AUTOSIZE);
}
