#include "framework/FileException.h"

#include "framework/Cp932.h"
#include "framework/StringTable.h"

#include <cerrno>
#include <utility>

CFileException::CFileException(int cause, long lOsError, CString strFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(std::move(strFileName))
{
}

int CFileException::OsErrorToException(int nErrno)
{
    switch (nErrno) {
    case 0:
        return none;
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
        return badPath;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return accessDenied;
    case EWOULDBLOCK:
        return sharingViolation;
    case ENOSPC:
    case EDQUOT:
        return diskFull;
    case EIO:
        return hardIO;
    default:
        return generic;
    }
}

namespace {

bool IsValidUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        if (c < 0x80) {
            len = 1;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
        } else {
            return false;
        }
        if (i + len > s.size()) {
            return false;
        }
        // The second byte's range rules out overlong forms (which could spell a zero byte),
        // surrogates and code points past U+10FFFF.
        const auto c1 = static_cast<unsigned char>(s[i + 1 < s.size() ? i + 1 : i]);
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F)) {
            return false;
        }
        for (std::size_t k = 1; k < len; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += len;
    }
    return true;
}

bool IsAscii(std::string_view s)
{
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

CString FileNameForDisplay(const CString& strFileName)
{
    if (IsAscii(strFileName) || !IsValidUtf8(strFileName)) {
        return strFileName;
    }
    return cp932::FromUtf8(strFileName);
}

CString CFileException::GetErrorMessage() const
{
    const int cause = (m_cause >= none && m_cause <= endOfFile) ? m_cause : generic;
    const CString strFormat = AfxLoadString(static_cast<UINT>(AFX_IDP_FILE_NONE + cause));
    const CString strName = m_strFileName.empty() ? AfxLoadString(AFX_IDS_UNNAMED_FILE) : FileNameForDisplay(m_strFileName);

    CString strMessage;
    strMessage.reserve(strFormat.size() + strName.size());
    for (std::size_t i = 0; i < strFormat.size(); ++i) {
        if (strFormat[i] == '%' && i + 1 < strFormat.size() && strFormat[i + 1] == '1') {
            strMessage += strName;
            ++i;
        } else {
            strMessage += strFormat[i];
        }
    }
    return CString(cp932::CutAtCharBoundary(strMessage, kMaxErrorMessage));
}

void AfxThrowFileException(int cause, long lOsError, const CString& strFileName)
{
    throw CFileException(cause, lOsError, strFileName);
}
