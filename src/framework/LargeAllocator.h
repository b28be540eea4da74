#pragma once
// An allocator for large buffers made in one go, such as the copy of half a million rows that a
// delete keeps for undo. Memory that a process touches for the first time costs a page fault per
// 4 KiB, which on a virtual machine comes to milliseconds per megabyte; a large block is mapped
// in 2 MiB huge pages where the system allows, one fault each. Small blocks come from the heap.

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <new>

namespace large_alloc {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kMappedFrom = std::size_t{4} << 20;

inline std::size_t MappedSize(std::size_t nBytes) { return (nBytes + kHugePage - 1) / kHugePage * kHugePage; }

inline void* Allocate(std::size_t nBytes)
{
    if (nBytes < kMappedFrom) {
        return ::operator new(nBytes);
    }
    // Mapped with a huge page's room to spare, then cut to a block that starts and ends on huge
    // page boundaries, so that all of it can be backed by huge pages.
    const std::size_t nSize = MappedSize(nBytes);
    void* pMap = ::mmap(nullptr, nSize + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pMap == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto nMap = reinterpret_cast<std::uintptr_t>(pMap);
    const std::uintptr_t nStart = (nMap + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
    if (nStart > nMap) {
        ::munmap(pMap, nStart - nMap);
    }
    if (const std::uintptr_t nTail = nMap + nSize + kHugePage - (nStart + nSize); nTail > 0) {
        ::munmap(reinterpret_cast<void*>(nStart + nSize), nTail);
    }
    void* p = reinterpret_cast<void*>(nStart);
    ::madvise(p, nSize, MADV_HUGEPAGE);
    return p;
}

inline void Deallocate(void* p, std::size_t nBytes) noexcept
{
    if (nBytes < kMappedFrom) {
        ::operator delete(p);
    } else {
        ::munmap(p, MappedSize(nBytes));
    }
}

} // namespace large_alloc

template <class T>
class CLargeAllocator {
public:
    using value_type = T;

    CLargeAllocator() = default;
    template <class U>
    CLargeAllocator(const CLargeAllocator<U>& /*other*/) noexcept  // NOLINT: allocators convert implicitly
    {
    }

    T* allocate(std::size_t n) { return static_cast<T*>(large_alloc::Allocate(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { large_alloc::Deallocate(p, n * sizeof(T)); }

    friend bool operator==(const CLargeAllocator&, const CLargeAllocator&) { return true; }
};
