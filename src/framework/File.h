#pragma once
// Text files as the program uses them: read line by line, or written whole.
//
// Reading follows the platform's text stream: LF ends a line, a CR right before an LF goes with
// it, any other CR is text, and a byte 0x1A ends the file.
//
// Writing never changes the file in place. The new content goes to a temporary file in the
// target's directory, which replaces the target only when every byte is on the disk; a failure
// at any step, or an object destroyed before Close, leaves the old file as it was.
//
// A file is for exclusive use while it is open here: the data directory is locked (flock on the
// directory itself, which, unlike a lock on the file, holds across the replacing rename), and a
// second holder gets sharingViolation.

#include "framework/Afx.h"

#include <sys/types.h>

#include <memory>
#include <string_view>

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        modeCreate = 0x1000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
};

class CStdioFile : public CFile {
public:
    // Opens for reading (modeRead, an existing file only) or for writing (modeCreate | modeWrite,
    // which will replace an existing file or create it). Raises CFileException on failure.
    CStdioFile(const char* lpszFileName, UINT nOpenFlags);
    ~CStdioFile();
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    // The next line without its line end; FALSE when no byte of a further line is left.
    BOOL ReadString(CString& rString);

    // Writes the bytes, each LF as CR LF.
    void WriteString(std::string_view text);
    // Writes the bytes exactly as given: for text already in the file's form, CR LF line ends
    // included. A large block goes to the file at once instead of through the buffer.
    void WriteBytes(std::string_view bytes);

    // Reading: closes the file. Writing: puts the new content in place of the old.
    void Close();

    [[nodiscard]] const CString& GetFilePath() const { return m_strFileName; }

private:
    void OpenForReading();
    void OpenForWriting();
    bool FillReadBuffer();
    void FlushWriteBuffer();
    void WriteAll(const char* p, std::size_t nLeft);
    void CommitWrite();
    void Abandon() noexcept;
    [[noreturn]] void Fail(int cause, int nErrno);

    CString m_strFileName;
    bool m_bWrite = false;
    int m_fd = -1;
    int m_lockFd = -1;

    // Reading.
    std::unique_ptr<char[]> m_pBuffer;
    std::size_t m_nBufferPos = 0;
    std::size_t m_nBufferLen = 0;
    bool m_bEndOfFile = false;
    bool m_bCtrlZ = false;     // the buffer ends where a Ctrl+Z stood: nothing more is read

    // Writing.
    CString m_strPending;
    int m_dirFd = -1;          // the directory that holds the file being replaced
    CString m_strTargetName;   // its name in that directory, after following symbolic links
    CString m_strTempName;     // the temporary file's name there, once it has one
    bool m_bTempNamed = false;
    bool m_bReplacing = false; // an old file exists and is being replaced
    mode_t m_nMode = 0;
    uid_t m_nUid = 0;
    gid_t m_nGid = 0;
};
