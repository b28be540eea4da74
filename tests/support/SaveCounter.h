#pragma once
// Counts the saves that reached their file: every complete save ends in exactly one successful
// rename onto the target's name.

#include "framework/SysCalls.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

class CSaveCounter {
public:
    CSaveCounter() : m_saved(Sys())
    {
        s_names.clear();
        Sys().renameat2 = &Rename;
    }
    ~CSaveCounter() { Sys() = m_saved; }
    CSaveCounter(const CSaveCounter&) = delete;
    CSaveCounter& operator=(const CSaveCounter&) = delete;

    [[nodiscard]] int Count(std::string_view name) const
    {
        return static_cast<int>(std::count(s_names.begin(), s_names.end(), name));
    }

private:
    static int Rename(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, unsigned flags)
    {
        const int r = RealSysCalls().renameat2(olddirfd, oldpath, newdirfd, newpath, flags);
        if (r == 0) {
            s_names.emplace_back(newpath);
        }
        return r;
    }
    static inline std::vector<std::string> s_names;
    SysCalls m_saved;
};

