#pragma once
// Fault injection through the Sys() table. Each object replaces one entry for as long as it lives
// and puts back the entry it found, so a test can make a single POSIX call of the file layer fail
// at a chosen moment and still leave the table as it was, also when an assertion ends it early.
//
//     CSysFault<&SysCalls::write> full(2, ENOSPC);     // the 2nd write fails
//     CSysHook<&SysCalls::write> shortWrite([](auto next, int fd, const void* p, size_t n) {
//         return next(fd, p, n / 2);
//     });
//
// Different entries may be replaced at the same time; one entry by one object at a time.

#include "framework/SysCalls.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <type_traits>
#include <utility>

// Replaces Sys().*Member by a handler of the test's own. The handler gets the entry that was
// there before (to call through to) and the arguments of the call.
template <auto Member, class Fn = std::remove_cvref_t<decltype(std::declval<SysCalls&>().*Member)>> class CSysHook;

template <auto Member, class R, class... A> class CSysHook<Member, R (*)(A...)> {
public:
    using Next = R (*)(A...);
    using Handler = std::function<R(Next next, A... args)>;

    explicit CSysHook(Handler handler) : m_handler(std::move(handler)), m_next(Sys().*Member)
    {
        if (s_pActive != nullptr) {
            throw std::logic_error("this Sys() entry is already replaced");
        }
        s_pActive = this;
        Sys().*Member = &Trampoline;
    }

    ~CSysHook()
    {
        Sys().*Member = m_next;
        s_pActive = nullptr;
    }

    CSysHook(const CSysHook&) = delete;
    CSysHook& operator=(const CSysHook&) = delete;

    // How many times the entry was called while replaced.
    [[nodiscard]] int Calls() const { return m_nCalls; }

private:
    static R Trampoline(A... args)
    {
        CSysHook* pSelf = s_pActive;
        ++pSelf->m_nCalls;
        return pSelf->m_handler(pSelf->m_next, args...);
    }

    inline static CSysHook* s_pActive = nullptr;
    Handler m_handler;
    Next m_next;
    int m_nCalls = 0;
};

// Makes calls of one entry fail with an errno: the nNth call (counted from 1 while the object
// lives) and the nTimes - 1 calls after it, or every call from the nNth on with kEveryCall.
// bCallThrough makes the real call first and reports the failure afterwards, as close() does
// on Linux (the descriptor is gone even when close reports an error), so nothing leaks.
template <auto Member> class CSysFault {
public:
    static constexpr int kEveryCall = -1;

    CSysFault(int nNth, int nErrno, int nTimes = 1, bool bCallThrough = false)
        : m_nNth(nNth), m_nErrno(nErrno), m_nTimes(nTimes), m_bCallThrough(bCallThrough),
          m_hook([this](auto next, auto... args) {
              const int nCall = m_hook.Calls();
              const bool bFail = nCall >= m_nNth && (m_nTimes == kEveryCall || nCall < m_nNth + m_nTimes);
              if (!bFail) {
                  return next(args...);
              }
              if (m_bCallThrough) {
                  next(args...);
              }
              ++m_nFailures;
              errno = m_nErrno;
              return static_cast<decltype(next(args...))>(-1);
          })
    {
    }

    CSysFault(const CSysFault&) = delete;
    CSysFault& operator=(const CSysFault&) = delete;

    [[nodiscard]] int Calls() const { return m_hook.Calls(); }
    // How many calls were made to fail: 0 shows that the call under test never came.
    [[nodiscard]] int Failures() const { return m_nFailures; }

private:
    int m_nNth;
    int m_nErrno;
    int m_nTimes;
    bool m_bCallThrough;
    int m_nFailures = 0;
    CSysHook<Member> m_hook;
};

// Saves the whole table and restores it on destruction, for a test that sets entries itself.
class CScopedSysCalls {
public:
    CScopedSysCalls() : m_saved(Sys()) {}
    ~CScopedSysCalls() { Sys() = m_saved; }
    CScopedSysCalls(const CScopedSysCalls&) = delete;
    CScopedSysCalls& operator=(const CScopedSysCalls&) = delete;

private:
    SysCalls m_saved;
};

// True when every entry is the real call again: for a fixture's TearDown.
inline bool SysCallsAreReal()
{
    return std::memcmp(&Sys(), &RealSysCalls(), sizeof(SysCalls)) == 0;
}
