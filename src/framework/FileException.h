#pragma once
// File errors. A failed open, read, write or close raises CFileException; the window procedure
// (AfxCallWndProc) catches it and shows its message, so the program goes on.

#include "framework/Afx.h"

#include <exception>

class CException : public std::exception {
public:
    CException() = default;
    CException(const CException&) = default;
    CException& operator=(const CException&) = default;
    ~CException() override = default;

    // The text shown to the user, in code page 932.
    [[nodiscard]] virtual CString GetErrorMessage() const = 0;

    // Shows the message in a message box owned by the main window; returns the button pressed.
    int ReportError(UINT nType = MB_OK) const;

    [[nodiscard]] const char* what() const noexcept override { return "CException"; }
};

// A command that the user chose to end, as by answering No: nothing is reported.
class CUserException : public CException {
public:
    [[nodiscard]] CString GetErrorMessage() const override { return {}; }
    [[nodiscard]] const char* what() const noexcept override { return "CUserException"; }
};

class CFileException : public CException {
public:
    enum Cause : int {
        none = 0,
        generic = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    explicit CFileException(int cause = none, long lOsError = -1, CString strFileName = {});

    // The cause of a failed open, from the operating system's error number.
    static int OsErrorToException(int nErrno);

    // The string of id AFX_IDP_FILE_NONE + cause with "%1" replaced by the file name ("無題のﾌｧｲﾙ"
    // when there is none), cut to 511 bytes without splitting a double-byte character.
    [[nodiscard]] CString GetErrorMessage() const override;

    [[nodiscard]] const char* what() const noexcept override { return "CFileException"; }

    int m_cause;
    long m_lOsError;
    CString m_strFileName;
};

[[noreturn]] void AfxThrowFileException(int cause, long lOsError = -1, const CString& strFileName = {});

// The longest message GetErrorMessage gives, in bytes: the framework formats into 512 bytes.
constexpr std::size_t kMaxErrorMessage = 511;

// File names are bytes of the file system, which on this platform is UTF-8 by convention; shown
// in a message they become code page 932 when they are valid UTF-8 and stay as they are otherwise.
CString FileNameForDisplay(const CString& strFileName);
