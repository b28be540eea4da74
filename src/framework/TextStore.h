#pragma once
// Storage for the task list's cell texts: large chunks filled one after another, so that loading
// a million rows costs a million copies rather than a million allocations. A text that is
// replaced or whose row goes becomes garbage; a chunk with nothing live left is freed, and the
// owner compacts when garbage outweighs the rest.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class CTextStore {
public:
    CTextStore() = default;
    CTextStore(CTextStore&&) noexcept = default;
    CTextStore& operator=(CTextStore&&) noexcept = default;
    CTextStore(const CTextStore&) = delete;
    CTextStore& operator=(const CTextStore&) = delete;
    ~CTextStore() = default;

    // Copies text in; the view stays valid until Release or Clear. An empty text takes no room.
    std::string_view Store(std::string_view text);

    // Marks a text given by Store as no longer used.
    void Release(std::string_view text);

    void Clear();

    [[nodiscard]] std::size_t LiveBytes() const { return m_nLive; }
    [[nodiscard]] std::size_t GarbageBytes() const { return m_nUsed - m_nLive; }

    // Whether copying the live texts into a fresh store would pay for itself.
    [[nodiscard]] bool WantsCompaction() const;

private:
    struct Chunk {
        std::unique_ptr<char[]> data;
        std::size_t capacity = 0;
        std::size_t used = 0;
        std::size_t live = 0;
    };
    Chunk* FindChunk(const char* p) const;
    void FreeChunk(Chunk* pChunk);

    std::vector<std::unique_ptr<Chunk>> m_chunks;
    std::vector<Chunk*> m_byAddress;  // the chunks in address order, for Release
    Chunk* m_pOpen = nullptr;          // the chunk being filled
    std::size_t m_nUsed = 0;
    std::size_t m_nLive = 0;
};
