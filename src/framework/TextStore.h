#pragma once
// Storage for the task list's cell texts: large chunks filled one after another, so that loading
// a million rows costs a million copies rather than a million allocations. A text that is
// replaced or whose row goes becomes garbage; a chunk with nothing live left is freed, and the
// owner compacts when garbage outweighs the rest.

#include <cstdint>
#include <cstring>
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
    std::string_view Store(std::string_view text)
    {
        // Inline for the common case, a short text that fits the chunk being filled: a load
        // stores three texts per row.
        Chunk* pChunk = m_pOpen;
        const std::size_t n = text.size();
        if (pChunk != nullptr && n != 0 && n <= kOwnChunkAbove && n <= pChunk->capacity - pChunk->used) {
            char* pDest = pChunk->data.get() + pChunk->used;
            std::memcpy(pDest, text.data(), n);
            pChunk->used += n;
            pChunk->live += n;
            m_nUsed += n;
            m_nLive += n;
            return {pDest, n};
        }
        return StoreInNewChunk(text);
    }

    // Marks a text given by Store as no longer used.
    void Release(std::string_view text);

    void Clear();

    [[nodiscard]] std::size_t LiveBytes() const { return m_nLive; }
    [[nodiscard]] std::size_t GarbageBytes() const { return m_nUsed - m_nLive; }

    // Whether copying the live texts into a fresh store would pay for itself, now or once
    // nReleasing more bytes have been released.
    [[nodiscard]] bool WantsCompaction(std::size_t nReleasing = 0) const;

private:
    static constexpr std::size_t kChunkSize = 1024 * 1024;
    static constexpr std::size_t kOwnChunkAbove = kChunkSize / 16;  // longer texts get a chunk of their own

    struct Chunk {
        std::unique_ptr<char[]> data;
        std::size_t capacity = 0;
        std::size_t used = 0;
        std::size_t live = 0;
    };
    std::string_view StoreInNewChunk(std::string_view text);
    Chunk* FindChunk(const char* p) const;
    void FreeChunk(Chunk* pChunk);

    std::vector<std::unique_ptr<Chunk>> m_chunks;
    struct ChunkStart {
        const char* pData;  // kept here, beside the chunk, so that a search reads one array
        Chunk* pChunk;
    };
    std::vector<ChunkStart> m_byAddress;  // the chunks in address order, for Release
    Chunk* m_pOpen = nullptr;          // the chunk being filled
    std::size_t m_nUsed = 0;
    std::size_t m_nLive = 0;
};
