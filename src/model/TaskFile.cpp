// The task file: one record per task, title TAB importance TAB details CR LF, in list order.
#include "framework/Decimal.h"
#include "framework/File.h"
#include "framework/FileFind.h"
#include "ui/TaskListDlg.h"

namespace {

constexpr std::string_view kReadName = "ruvelo.csv";
constexpr std::string_view kWriteName = "RuVelo.csv";

// Turning off the view's row-by-row updates for the length of a bulk load, also when it fails.
class CRedrawOff {
public:
    explicit CRedrawOff(CListCtrl& list) : m_list(list) { m_list.SetRedraw(FALSE); }
    ~CRedrawOff() { m_list.SetRedraw(TRUE); }
    CRedrawOff(const CRedrawOff&) = delete;
    CRedrawOff& operator=(const CRedrawOff&) = delete;

private:
    CListCtrl& m_list;
};

} // namespace

CString CTaskListDlg::TaskFilePath(bool bForWriting) const
{
    // Both spellings denote one file on the platform the format comes from; on a file system that
    // tells case apart, reading and writing use whichever spelling is there.
    const std::optional<CString> strExisting = FindFileNoCase(m_szDataDir, kReadName);
    const std::string_view name = strExisting ? std::string_view(*strExisting) : (bForWriting ? kWriteName : kReadName);
    return m_szDataDir + "/" + CString(name);
}

void CTaskListDlg::LoadTasks()
{
    bool bOpened = false;
    try {
        CStdioFile file(TaskFilePath(false).c_str(), CFile::typeText | CFile::modeRead);
        bOpened = true;
        const CRedrawOff redrawOff(m_list);
        CString strLine;
        while (file.ReadString(strLine)) {
            if (strLine.empty()) {
                continue;  // a line without a byte carries no task
            }
            // Split at the first two TABs; the details take the rest, further TABs included.
            // Ending each field with a zero byte also ends it at a zero byte of its own.
            char* pszTitle = strLine.data();
            const char* pszImportance = "";
            const char* pszDetails = "";
            if (const std::size_t nTab1 = strLine.find('\t'); nTab1 != CString::npos) {
                strLine[nTab1] = '\0';
                pszImportance = pszTitle + nTab1 + 1;
                if (const std::size_t nTab2 = strLine.find('\t', nTab1 + 1); nTab2 != CString::npos) {
                    strLine[nTab2] = '\0';
                    pszDetails = pszTitle + nTab2 + 1;
                }
            }
            AppendTask(pszTitle, ReadDecimalOrZero(pszImportance), pszDetails);
        }
        file.Close();
    } catch (const CFileException& e) {
        // The list now holds less than the file: a save would destroy the rest.
        if (bOpened || e.m_cause != CFileException::fileNotFound) {
            m_loadFailure = e;
        }
        throw;
    }
}

void CTaskListDlg::SaveTasks()
{
    if (m_loadFailure) {
        throw *m_loadFailure;
    }
    CStdioFile file(TaskFilePath(true).c_str(), CFile::modeCreate | CFile::modeWrite);
    CString strRecord;
    for (int i = 0; i < m_list.GetItemCount(); ++i) {
        const std::string_view importance = m_list.GetItemText(i, 1);
        const std::string_view details = m_list.GetItemText(i, 2);
        const std::string_view title = m_list.GetItemText(i, 0);
        // "%s\t%d\t%s\n"; a cell without a number is written as 0.
        strRecord.assign(title);
        strRecord += '\t';
        strRecord += FormatDecimal(ReadDecimalOrZero(importance));
        strRecord += '\t';
        strRecord += details;
        strRecord += '\n';
        file.WriteString(strRecord);
    }
    file.Close();
}
