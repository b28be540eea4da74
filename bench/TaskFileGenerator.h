#pragma once
// Realistic task files for the benchmarks: titles and details that mix Japanese (code page 932)
// and ASCII words, of varied lengths, with importances mostly from 0 to 9. The same seed gives the
// same tasks on every machine: the generator uses its own random numbers, not <random>'s
// distributions, whose results differ between standard libraries.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CGeneratedTask {
    std::string strTitle; // 5 to 60 bytes
    int nImportance = 0;
    std::string strDetails; // 0 to 200 bytes, a quarter of them empty
};

class CTaskFileGenerator {
public:
    static constexpr std::uint64_t kDefaultSeed = 20240601;
    static constexpr std::size_t kMinTitle = 5;
    static constexpr std::size_t kMaxTitle = 60;
    static constexpr std::size_t kMaxDetails = 200;

    explicit CTaskFileGenerator(std::uint64_t nSeed = kDefaultSeed);

    CGeneratedTask Next();

    // A word that stands in about one title in twelve, and a text that stands in none: for
    // searches with many matches and with none.
    static std::string CommonTitleWord();
    static std::string AbsentText();

private:
    std::uint64_t NextRandom();
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(NextRandom() % n); }
    std::string MakeText(std::size_t nTarget, std::size_t nMax, bool bTitle);
    int MakeImportance();

    std::uint64_t m_nState;
};

// One record as the program writes it: title TAB importance TAB details CR LF.
void AppendRecord(std::string& strOut, const CGeneratedTask& task);

std::vector<CGeneratedTask> GenerateTasks(std::size_t nTasks, std::uint64_t nSeed = CTaskFileGenerator::kDefaultSeed);
std::string FormatTaskFile(const std::vector<CGeneratedTask>& tasks);

// Writes nTasks generated records to strPath a block at a time, so that a file of a million tasks
// needs no more memory than a block. Returns the file's size in bytes; throws on an I/O error.
std::size_t WriteTaskFile(const std::string& strPath, std::size_t nTasks,
                          std::uint64_t nSeed = CTaskFileGenerator::kDefaultSeed);
