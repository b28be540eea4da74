#include "framework/FileFind.h"

#include <dirent.h>

#include <memory>

namespace {

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<CString> FindFileNoCase(const CString& strDir, std::string_view strName)
{
    struct DirCloser {
        void operator()(DIR* p) const { ::closedir(p); }
    };
    const std::unique_ptr<DIR, DirCloser> pDir(::opendir(strDir.empty() ? "/" : strDir.c_str()));
    if (pDir == nullptr) {
        return std::nullopt;
    }
    std::optional<CString> best;
    while (const dirent* pEntry = ::readdir(pDir.get())) {
        const std::string_view name(pEntry->d_name);
        if (EqualNoCase(name, strName) && (!best || name < std::string_view(*best))) {
            best = CString(name);
        }
    }
    return best;
}
