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
    struct Chunk;

public:
    // Tells whether texts, given one after another, come in the order in which they were stored.
    class COrderCheck {
    public:
        explicit COrderCheck(const CTextStore& store) : m_store(store) {}
        // False from the first text that was stored before one given earlier.
        bool Next(std::string_view text);

    private:
        const CTextStore& m_store;
        const Chunk* m_pChunk = nullptr;
        const char* m_pEnd = nullptr;  // of the text given last
    };

    // Compacts the store in place: the live texts move down over the garbage within the chunks
    // they occupy, and the chunks left empty are freed. Unlike copying into a fresh store it needs
    // no new memory. Every live text must be given to Move once, in the order in which they were
    // stored (as COrderCheck confirms), and is to be used by its new view from then on; the
    // texts not given become free space. Finish ends the compaction.
    class CCompactor {
    public:
        explicit CCompactor(CTextStore& store) : m_store(store) {}
        std::string_view Move(std::string_view text);
        void Finish();

    private:
        void Flush();

        CTextStore& m_store;
        std::size_t m_nChunk = 0;  // the chunk being written, by its place in m_chunks
        std::size_t m_nUsed = 0;   // how much of it is written, the pending run included
        const Chunk* m_pSource = nullptr;
        // Texts that stood one after another move as one run, when the next text does not join it.
        const char* m_pRunSource = nullptr;
        char* m_pRunDest = nullptr;
        std::size_t m_nRun = 0;
    };

private:
    static constexpr std::size_t kChunkSize = 1024 * 1024;
    static constexpr std::size_t kOwnChunkAbove = kChunkSize / 16;  // longer texts get a chunk of their own

    struct Chunk {
        std::unique_ptr<char[]> data;
        std::size_t capacity = 0;
        std::size_t used = 0;
        std::size_t live = 0;
        std::size_t serial = 0;  // the chunks' order of making, which is the texts' order of storing
        [[nodiscard]] bool Holds(const char* p) const;
    };
    std::string_view StoreInNewChunk(std::string_view text);
    Chunk* FindChunk(const char* p) const;
    void FreeChunk(Chunk* pChunk);

    std::vector<std::unique_ptr<Chunk>> m_chunks;  // in the order they were made
    struct ChunkStart {
        const char* pData;  // kept here, beside the chunk, so that a search reads one array
        Chunk* pChunk;
    };
    std::vector<ChunkStart> m_byAddress;  // the chunks in address order, for Release
    Chunk* m_pOpen = nullptr;          // the chunk being filled
    // The chunk found last: texts released or visited together mostly lie in one chunk.
    mutable Chunk* m_pFound = nullptr;
    std::size_t m_nNextSerial = 0;
    std::size_t m_nUsed = 0;
    std::size_t m_nLive = 0;
};
