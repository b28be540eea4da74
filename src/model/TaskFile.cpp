// The task file: one record per task, title TAB importance TAB details CR LF, in list order.
#include "framework/Decimal.h"
#include "framework/File.h"
#include "framework/FileFind.h"
#include "ui/TaskListDlg.h"

#include <algorithm>
#include <charconv>
#include <cstring>

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
        const CString strPath = TaskFilePath(false);
        CStdioFile file(strPath.c_str(), CFile::typeText | CFile::modeRead);
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
        RememberTaskFile(strPath);
    } catch (const CFileException& e) {
        // The list now holds less than the file: a save would destroy the rest.
        if (bOpened || e.m_cause != CFileException::fileNotFound) {
            m_loadFailure = e;
        }
        throw;
    }
}

namespace {

// "%d" of the number a cell's importance text reads as; a cell without a number is written as 0.
// A single digit, what nearly every row holds, already is that text.
std::string_view ImportanceRecordText(std::string_view importance, char (&szNumber)[16])
{
    if (importance.size() == 1 && importance[0] >= '0' && importance[0] <= '9') {
        return importance;
    }
    const char* const pEnd = std::to_chars(szNumber, szNumber + sizeof szNumber, ReadDecimalOrZero(importance)).ptr;
    return {szNumber, static_cast<std::size_t>(pEnd - szNumber)};
}

// The LF bytes in bytes. Counted in blocks that a byte-sized counter can count (and a multiple of
// 16 bytes, so that no scalar tail follows each), so that the compiler's vector instructions add
// 16 bytes at a time; std::count widens every byte to 64 bits.
std::size_t CountLineFeeds(std::string_view bytes)
{
    constexpr std::size_t kBlock = 240;
    std::size_t n = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t nBlock = std::min(bytes.size() - i, kBlock);
        unsigned char nInBlock = 0;
        for (std::size_t j = 0; j < nBlock; ++j) {
            nInBlock = static_cast<unsigned char>(nInBlock + (bytes[i + j] == '\n' ? 1 : 0));
        }
        n += nInBlock;
        i += nBlock;
    }
    return n;
}

// Copies text to p and moves p past it. Most cell texts are short, and a call of memcpy for each
// of them costs more than the copying: up to 64 bytes are moved in fixed-size pieces (the last
// one overlapping the one before), which the compiler makes into plain loads and stores.
void Put(char*& p, std::string_view text)
{
    const std::size_t n = text.size();
    const char* pSrc = text.data();
    if (n > 64) {
        std::memcpy(p, pSrc, n);
    } else if (n >= 16) {
        for (std::size_t i = 0; i + 16 < n; i += 16) {
            std::memcpy(p + i, pSrc + i, 16);
        }
        std::memcpy(p + n - 16, pSrc + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(p, pSrc, 8);
        std::memcpy(p + n - 8, pSrc + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(p, pSrc, 4);
        std::memcpy(p + n - 4, pSrc + n - 4, 4);
    } else {
        for (std::size_t i = 0; i < n; ++i) {  // an empty text may have no storage at all
            p[i] = pSrc[i];
        }
    }
    p += n;
}

} // namespace

void CTaskListDlg::SaveTasks()
{
    if (m_loadFailure) {
        throw *m_loadFailure;
    }
    const CString strPath = TaskFilePath(true);
    ConfirmOverwriteOfChangedFile(strPath);
    CStdioFile file(strPath.c_str(), CFile::modeCreate | CFile::modeWrite);
    // Records ("%s\t%d\t%s\n", the LF written as CR LF) are made a batch at a time straight in
    // the file's form and handed over as they are: one copy of each text, instead of a record
    // string, a batch and the line-end conversion each copying it again. A batch in which a text
    // holds a LF of its own is made again through WriteString, which turns every LF into CR LF.
    // Half a megabyte a batch: few system calls, and the batch still in the cache as it is copied.
    constexpr std::size_t kBatch = 512 * 1024;
    std::string strBatch(kBatch, '\0');
    std::size_t nUsed = 0;
    int nBatchFirst = 0;
    const auto writeBatch = [&](int nBatchEnd) {
        const std::string_view batch(strBatch.data(), nUsed);
        // Each record ends in the one LF of its CR LF; any more belong to the texts.
        if (CountLineFeeds(batch) == static_cast<std::size_t>(nBatchEnd - nBatchFirst)) {
            file.WriteBytes(batch);
        } else {
            CString strRecord;
            for (int i = nBatchFirst; i < nBatchEnd; ++i) {
                char szNumber[16];
                strRecord.assign(m_list.GetItemText(i, 0));
                strRecord += '\t';
                strRecord.append(ImportanceRecordText(m_list.GetItemText(i, 1), szNumber));
                strRecord += '\t';
                strRecord.append(m_list.GetItemText(i, 2));
                strRecord += '\n';
                file.WriteString(strRecord);
            }
        }
        nUsed = 0;
        nBatchFirst = nBatchEnd;
    };
    for (int i = 0; i < m_list.GetItemCount(); ++i) {
        const std::string_view title = m_list.GetItemText(i, 0);
        char szNumber[16];
        const std::string_view importance = ImportanceRecordText(m_list.GetItemText(i, 1), szNumber);
        const std::string_view details = m_list.GetItemText(i, 2);
        const std::size_t nRecord = title.size() + importance.size() + details.size() + 4;
        if (nUsed + nRecord > strBatch.size()) {
            writeBatch(i);
            if (nRecord > strBatch.size()) {
                strBatch.resize(nRecord);
            }
        }
        char* p = strBatch.data() + nUsed;
        Put(p, title);
        *p++ = '\t';
        Put(p, importance);
        *p++ = '\t';
        Put(p, details);
        *p++ = '\r';
        *p++ = '\n';
        nUsed = static_cast<std::size_t>(p - strBatch.data());
    }
    writeBatch(m_list.GetItemCount());
    file.Close();
    RememberTaskFile(strPath);
}
