// A process killed at any moment of a save leaves the file as one complete version: the old one
// or the new one, never a torn mix and never no file at all.
#include "framework/File.h"
#include "support/SysFault.h"
#include "support/TestEnv.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRounds = 100;

// Versions of different sizes, each row naming its version, so that a mix of two is visible.
std::vector<std::string> MakeVersions()
{
    std::vector<std::string> versions;
    for (const int nRows : {3, 1, 2500, 40, 900}) {
        const std::size_t v = versions.size();
        std::string text;
        for (int i = 0; i < nRows; ++i) {
            text +=
                "version " + std::to_string(v) + " row " + std::to_string(i) + "\t" + std::to_string(i % 10) + "\t" +
                std::string(static_cast<std::size_t>(20 + (i + static_cast<int>(v)) % 50), static_cast<char>('a' + v)) +
                "\n";
        }
        versions.push_back(text);
    }
    return versions;
}

std::string OnDisk(const std::string& text)
{
    std::string bytes;
    for (const char c : text) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    return bytes;
}

// Record by record, as the program saves, so that a big version takes several writes.
void Save(const std::string& path, const std::string& text)
{
    CStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text.find('\n', pos) + 1;
        file.WriteString(std::string_view(text).substr(pos, end - pos));
        pos = end;
    }
    file.Close();
}

// A slow disk: a pause after each step of a save that changes the disk, so that kills land
// between the steps and not only inside the kernel's calls.
class CSlowDisk {
public:
    static void Pause() { std::this_thread::sleep_for(std::chrono::microseconds(150)); }

private:
    CSysHook<&SysCalls::write> m_write{[](auto next, auto... args) {
        const auto r = next(args...);
        Pause();
        return r;
    }};
    CSysHook<&SysCalls::fsync> m_fsync{[](auto next, auto... args) {
        const auto r = next(args...);
        Pause();
        return r;
    }};
    CSysHook<&SysCalls::linkat> m_linkat{[](auto next, auto... args) {
        const auto r = next(args...);
        Pause();
        return r;
    }};
    CSysHook<&SysCalls::renameat2> m_rename{[](auto next, auto... args) {
        const auto r = next(args...);
        Pause();
        return r;
    }};
    CSysHook<&SysCalls::unlinkat> m_unlink{[](auto next, auto... args) {
        const auto r = next(args...);
        Pause();
        return r;
    }};
};

unsigned SeedFromEnvironment()
{
    if (const char* p = std::getenv("RUVELO_CRASH_SEED")) {
        return static_cast<unsigned>(std::strtoul(p, nullptr, 10));
    }
    return std::random_device{}();
}

TEST(CrashLoop, KilledSaverLeavesOneCompleteVersion)
{
    CTempDataDir dir;
    const std::string path = dir.File("RuVelo.csv");
    const std::string tempName = ".RuVelo.csv.tmp";
    const std::vector<std::string> versions = MakeVersions();
    std::vector<std::string> onDisk;
    for (const std::string& v : versions) {
        onDisk.push_back(OnDisk(v));
    }
    const auto isVersion = [&onDisk](const std::optional<std::string>& bytes) {
        return bytes && std::find(onDisk.begin(), onDisk.end(), *bytes) != onDisk.end();
    };

    // One round of every version, timed, so that the kills spread over whole saves on this machine.
    const auto start = std::chrono::steady_clock::now();
    {
        const CSlowDisk slow;
        for (const std::string& v : versions) {
            Save(path, v);
        }
    }
    const auto cycle = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    const long nMaxDelay = std::clamp<long>(static_cast<long>(cycle.count()) * 2, 2000, 30000);

    const unsigned nSeed = SeedFromEnvironment();
    std::cout << "crash loop seed " << nSeed << " (set RUVELO_CRASH_SEED to repeat), kill within " << nMaxDelay
              << " us\n";
    RecordProperty("seed", std::to_string(nSeed));
    std::mt19937 random(nSeed);
    std::uniform_int_distribution<long> delay(0, nMaxDelay);

    int nSavesCompleted = 0;
    for (int round = 0; round < kRounds; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(fds[0]);
            const CSlowDisk slow;
            try {
                for (std::size_t i = static_cast<std::size_t>(round);; ++i) {
                    Save(path, versions[i % versions.size()]);
                    if (::write(fds[1], "s", 1) != 1) {
                        ::_exit(3);
                    }
                }
            } catch (...) {
                ::_exit(2); // a save failed: the parent sees an exit instead of its kill
            }
        }
        ::close(fds[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        char buf[256];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) {
            nSavesCompleted += static_cast<int>(n);
        }
        ::close(fds[0]);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "round " << round << ": the saver ended by itself, status " << status << " (seed " << nSeed << ")";

        ASSERT_TRUE(isVersion(ReadFileBytes(path))) << "round " << round << ": torn or missing (seed " << nSeed << ")";
        // A kill between the steps of the replacement may leave the temporary name, which holds a
        // complete version too and goes at the next save.
        for (const std::string& name : ListDirectory(dir.Path())) {
            if (name == tempName) {
                EXPECT_TRUE(isVersion(ReadFileBytes(dir.File(name)))) << "round " << round << " (seed " << nSeed << ")";
            } else {
                EXPECT_EQ(name, "RuVelo.csv") << "round " << round << " (seed " << nSeed << ")";
            }
        }
    }
    std::cout << "saves completed before the kills: " << nSavesCompleted << "\n";
    EXPECT_GT(nSavesCompleted, 0) << "no kill came after a save: the loop tested nothing";

    // The killed savers held the directory's lock; it went with them.
    Save(path, versions[0]);
    EXPECT_EQ(ReadFileBytes(path), onDisk[0]);
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"RuVelo.csv"}));
}

} // namespace
