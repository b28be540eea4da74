// Writes a generated task file, for profiling one load by hand:
//   ruvelo_bench_taskgen ROWS PATH [SEED]
#include "TaskFileGenerator.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ROWS PATH [SEED]\n", argv[0]);
        return 2;
    }
    const std::uint64_t nSeed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : CTaskFileGenerator::kDefaultSeed;
    const std::size_t nBytes = WriteTaskFile(argv[2], std::strtoull(argv[1], nullptr, 10), nSeed);
    std::printf("%zu bytes\n", nBytes);
    return 0;
}
