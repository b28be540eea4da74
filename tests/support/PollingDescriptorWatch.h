#pragma once
// The program's descriptor watch for headless tests: what the event loop would do, done when the
// test waits. Installed for the object's life.

#include "framework/DescriptorWatch.h"

#include <poll.h>

#include <chrono>
#include <map>
#include <vector>

class CPollingDescriptorWatch : public IDescriptorWatch {
public:
    CPollingDescriptorWatch() { AfxSetDescriptorWatch(this); }
    ~CPollingDescriptorWatch() override { AfxSetDescriptorWatch(nullptr); }
    CPollingDescriptorWatch(const CPollingDescriptorWatch&) = delete;
    CPollingDescriptorWatch& operator=(const CPollingDescriptorWatch&) = delete;

    void Watch(int fd, std::function<void()> fnReadable) override { m_watched[fd] = std::move(fnReadable); }
    void Unwatch(int fd) override { m_watched.erase(fd); }
    [[nodiscard]] bool IsWatching() const { return !m_watched.empty(); }

    // Waits up to nTimeoutMs for a watched descriptor to become readable and runs what waits on
    // each that did; true when something ran.
    bool RunReady(int nTimeoutMs)
    {
        std::vector<pollfd> fds;
        for (const auto& [fd, fn] : m_watched) {
            fds.push_back({fd, POLLIN, 0});
        }
        if (fds.empty() || ::poll(fds.data(), fds.size(), nTimeoutMs) <= 0) {
            return false;
        }
        bool bRan = false;
        for (const pollfd& pfd : fds) {
            if ((pfd.revents & POLLIN) != 0 && m_watched.count(pfd.fd) != 0) {
                const std::function<void()> fn = m_watched[pfd.fd];
                fn();
                bRan = true;
            }
        }
        return bRan;
    }

    // Runs what becomes ready until pred holds or the time is up; whether pred held.
    template <class Pred>
    bool RunUntil(Pred pred, std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!pred()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            RunReady(static_cast<int>(left.count()));
        }
        return true;
    }

private:
    std::map<int, std::function<void()>> m_watched;
};
