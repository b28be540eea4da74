// The task file: one record per task, title TAB importance TAB details CR LF, in list order.
#include "framework/Decimal.h"
#include "framework/File.h"
#include "framework/FileFind.h"
#include "ui/TaskListDlg.h"

#include <charconv>

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
            // The importance is read within its field: the reading stops at a zero byte anyway.
            char* pszTitle = strLine.data();
            std::string_view importance;
            const char* pszDetails = "";
            if (const std::size_t nTab1 = strLine.find('\t'); nTab1 != CString::npos) {
                strLine[nTab1] = '\0';
                const std::size_t nTab2 = strLine.find('\t', nTab1 + 1);
                importance = std::string_view(strLine).substr(nTab1 + 1, nTab2 - (nTab1 + 1));
                if (nTab2 != CString::npos) {
                    strLine[nTab2] = '\0';
                    pszDetails = pszTitle + nTab2 + 1;
                }
            }
            AppendTask(pszTitle, ReadDecimalOrZero(importance), pszDetails);
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
    // Records are gathered a few kilobytes at a time: one WriteString per record would cost more
    // than making the record.
    constexpr std::size_t kBatch = 8 * 1024;
    CString strBatch;
    strBatch.reserve(kBatch + kMaxTitle + kMaxDetails + 32);
    for (int i = 0; i < m_list.GetItemCount(); ++i) {
        const std::string_view importance = m_list.GetItemText(i, 1);
        const std::string_view details = m_list.GetItemText(i, 2);
        const std::string_view title = m_list.GetItemText(i, 0);
        // "%s\t%d\t%s\n"; a cell without a number is written as 0.
        char szNumber[16];
        const int nImportance = ReadDecimalOrZero(importance);
        const char* const pNumberEnd = std::to_chars(szNumber, szNumber + sizeof szNumber, nImportance).ptr;
        strBatch.append(title);
        strBatch += '\t';
        strBatch.append(szNumber, static_cast<std::size_t>(pNumberEnd - szNumber));
        strBatch += '\t';
        strBatch.append(details);
        strBatch += '\n';
        if (strBatch.size() >= kBatch) {
            file.WriteString(strBatch);
            strBatch.clear();
        }
    }
    file.WriteString(strBatch);
    file.Close();
}
