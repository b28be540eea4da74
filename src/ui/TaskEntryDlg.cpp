#include "ui/TaskEntryDlg.h"

#include "res/resource.h"

CTaskEntryDlg::CTaskEntryDlg(CWnd* pParent) : CDialog(IDD_TASK_ENTRY, pParent) {}

void CTaskEntryDlg::ResetEntryFields()
{
    m_strImportance = "5";
    m_strDetails.clear();
    m_strTitle.clear();
}

void CTaskEntryDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_TITLE, m_strTitle);
    DDX_Text(pDX, IDC_IMPORTANCE, m_strImportance);
    DDX_Text(pDX, IDC_DETAILS, m_strDetails);
}
