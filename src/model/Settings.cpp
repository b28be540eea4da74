// The settings file: the list font size as "%d" text, without a line end.
#include "framework/Decimal.h"
#include "framework/File.h"
#include "ui/TaskListDlg.h"

CString CTaskListDlg::SettingsFilePath() const { return m_szDataDir + "/ruvelo.ini"; }

void CTaskListDlg::LoadSettings()
{
    CStdioFile file(SettingsFilePath().c_str(), CFile::typeText | CFile::modeRead);
    CString strLine;
    file.ReadString(strLine);  // at the end of the file the line is empty, which holds no number
    ScanDecimal(strLine, m_nFontSize);
    file.Close();
}

void CTaskListDlg::SaveSettings()
{
    CStdioFile file(SettingsFilePath().c_str(), CFile::modeCreate | CFile::modeWrite);
    file.WriteString(FormatDecimal(m_nFontSize));
    file.Close();
}
