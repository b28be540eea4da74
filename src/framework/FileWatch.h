#pragma once
// Tells when a file in a directory may have been changed by another program: written and closed,
// replaced by a rename, created, removed, or given other rights. Watches the directory, which sees
// a replace by rename, and the file itself, which sees writes to it wherever its link leads.
// Events only say where to look; whether the file really changed is for its stamp to tell.

#include "framework/Afx.h"

#include <string>
#include <string_view>

class CFileWatch {
public:
    CFileWatch() = default;
    ~CFileWatch();
    CFileWatch(const CFileWatch&) = delete;
    CFileWatch& operator=(const CFileWatch&) = delete;

    // Starts watching lpszDir for entries named lpszName, in any ASCII case. FALSE when the
    // system cannot watch it; the program then goes on without.
    BOOL Open(const char* lpszDir, std::string_view name);
    // Watches the file that the name now leads to; again after each load or save, since a
    // replace makes it a new file.
    void WatchFile(const char* lpszPath);
    void Close();

    // The descriptor that becomes readable when events wait; -1 when not watching.
    [[nodiscard]] int GetDescriptor() const { return m_fd; }
    // Reads the waiting events without blocking: TRUE when one of them concerns the file.
    BOOL ReadEvents();

private:
    int m_fd = -1;
    int m_dirWatch = -1;
    int m_fileWatch = -1;
    std::string m_strName;
};
