#pragma once
// The task entry dialog: title, importance and details, used by Add, Edit and Find. Its fields
// keep their values from one use to the next; each command decides whether to set them first.

#include "framework/Wnd.h"

class CTaskEntryDlg : public CDialog {
public:
    explicit CTaskEntryDlg(CWnd* pParent = nullptr);

    // Importance "5", details and title empty: the fields for a new task.
    void ResetEntryFields();

    CString m_strTitle;
    CString m_strImportance;
    CString m_strDetails;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
