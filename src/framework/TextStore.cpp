#include "framework/TextStore.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {
constexpr std::size_t kCompactionSlack = 8 * 1024 * 1024;
} // namespace

std::string_view CTextStore::StoreInNewChunk(std::string_view text)
{
    if (text.empty()) {
        return {};
    }
    Chunk* pChunk = m_pOpen;
    if (text.size() > kOwnChunkAbove || pChunk == nullptr || pChunk->capacity - pChunk->used < text.size()) {
        auto chunk = std::make_unique<Chunk>();
        chunk->serial = m_nNextSerial++;
        chunk->capacity = text.size() > kOwnChunkAbove ? text.size() : kChunkSize;
        chunk->data = std::make_unique_for_overwrite<char[]>(chunk->capacity);
        pChunk = chunk.get();
        const ChunkStart start{pChunk->data.get(), pChunk};
        const auto pos =
            std::lower_bound(m_byAddress.begin(), m_byAddress.end(), start,
                             [](const ChunkStart& a, const ChunkStart& b) { return std::less<>()(a.pData, b.pData); });
        m_byAddress.insert(pos, start);
        m_chunks.push_back(std::move(chunk));
        if (text.size() <= kOwnChunkAbove) {
            m_pOpen = pChunk;
        }
    }
    char* pDest = pChunk->data.get() + pChunk->used;
    std::memcpy(pDest, text.data(), text.size());
    pChunk->used += text.size();
    pChunk->live += text.size();
    m_nUsed += text.size();
    m_nLive += text.size();
    return {pDest, text.size()};
}

CTextStore::Chunk* CTextStore::FindChunk(const char* p) const
{
    if (m_pFound != nullptr && m_pFound->Holds(p)) {
        return m_pFound;
    }
    auto it = std::upper_bound(m_byAddress.begin(), m_byAddress.end(), p,
                               [](const char* q, const ChunkStart& c) { return std::less<>()(q, c.pData); });
    if (it == m_byAddress.begin()) {
        return nullptr;
    }
    Chunk* pChunk = (it - 1)->pChunk;
    if (!pChunk->Holds(p)) {
        return nullptr;
    }
    m_pFound = pChunk;
    return pChunk;
}

bool CTextStore::Chunk::Holds(const char* p) const
{
    return !std::less<>()(p, data.get()) && std::less<>()(p, data.get() + capacity);
}

void CTextStore::Release(std::string_view text)
{
    if (text.empty()) {
        return;
    }
    Chunk* pChunk = FindChunk(text.data());
    if (pChunk == nullptr) {
        return;
    }
    pChunk->live -= text.size();
    m_nLive -= text.size();
    if (pChunk->live == 0 && pChunk != m_pOpen) {
        FreeChunk(pChunk);
    }
}

void CTextStore::FreeChunk(Chunk* pChunk)
{
    if (m_pFound == pChunk) {
        m_pFound = nullptr;
    }
    m_nUsed -= pChunk->used;
    m_byAddress.erase(std::find_if(m_byAddress.begin(), m_byAddress.end(),
                                   [pChunk](const ChunkStart& c) { return c.pChunk == pChunk; }));
    m_chunks.erase(std::find_if(m_chunks.begin(), m_chunks.end(), [pChunk](const auto& c) { return c.get() == pChunk; }));
}

void CTextStore::Clear()
{
    m_chunks.clear();
    m_byAddress.clear();
    m_pOpen = nullptr;
    m_pFound = nullptr;
    m_nUsed = 0;
    m_nLive = 0;
}

bool CTextStore::WantsCompaction(std::size_t nReleasing) const
{
    const std::size_t live = m_nLive - std::min(nReleasing, m_nLive);
    const std::size_t garbage = m_nUsed - live;
    return garbage > kCompactionSlack && garbage > live;
}

bool CTextStore::COrderCheck::Next(std::string_view text)
{
    if (text.empty()) {
        return true;
    }
    const char* p = text.data();
    if (m_pChunk == nullptr || !m_pChunk->Holds(p)) {
        const Chunk* pChunk = m_store.FindChunk(p);
        if (pChunk == nullptr || (m_pChunk != nullptr && pChunk->serial < m_pChunk->serial)) {
            return false;
        }
        m_pChunk = pChunk;
    } else if (std::less<>()(p, m_pEnd)) {
        return false;
    }
    m_pEnd = p + text.size();
    return true;
}

std::string_view CTextStore::CCompactor::Move(std::string_view text)
{
    if (text.empty()) {
        return {};
    }
    const char* pSource = text.data();
    const bool bSameChunk = m_pSource != nullptr && m_pSource->Holds(pSource);
    if (!bSameChunk) {
        m_pSource = m_store.FindChunk(pSource);
    }
    const std::vector<std::unique_ptr<Chunk>>& chunks = m_store.m_chunks;
    // Two chunks may lie side by side in memory: a run never reaches from one into the next.
    if (m_nRun != 0 && bSameChunk && pSource == m_pRunSource + m_nRun &&
        m_nUsed + text.size() <= chunks[m_nChunk]->capacity) {
        // The text follows the run in the store and still fits where the run goes.
        char* pDest = m_pRunDest + m_nRun;
        m_nRun += text.size();
        m_nUsed += text.size();
        return {pDest, text.size()};
    }
    Flush();
    // Texts come in store order, so every text before this one has gone to a place before it:
    // the chunk being written comes at the latest where the text stands, and there it fits.
    while (m_nUsed + text.size() > chunks[m_nChunk]->capacity) {
        Chunk& full = *chunks[m_nChunk];
        full.used = m_nUsed;
        full.live = m_nUsed;
        ++m_nChunk;
        m_nUsed = 0;
    }
    m_pRunSource = pSource;
    m_pRunDest = chunks[m_nChunk]->data.get() + m_nUsed;
    m_nRun = text.size();
    m_nUsed += text.size();
    return {m_pRunDest, text.size()};
}

void CTextStore::CCompactor::Flush()
{
    if (m_nRun != 0 && m_pRunDest != m_pRunSource) {
        std::memmove(m_pRunDest, m_pRunSource, m_nRun);
    }
    m_nRun = 0;
}

void CTextStore::CCompactor::Finish()
{
    Flush();
    std::vector<std::unique_ptr<Chunk>>& chunks = m_store.m_chunks;
    if (chunks.empty()) {
        return;
    }
    Chunk& last = *chunks[m_nChunk];
    last.used = m_nUsed;
    last.live = m_nUsed;
    // The chunks after the last one written hold no live text any more; neither does one that
    // stayed empty because the next text did not fit in it.
    std::vector<std::unique_ptr<Chunk>> kept;
    kept.reserve(m_nChunk + 1);
    m_store.m_nUsed = 0;
    for (std::size_t i = 0; i <= m_nChunk; ++i) {
        if (chunks[i]->used != 0) {
            m_store.m_nUsed += chunks[i]->used;
            kept.push_back(std::move(chunks[i]));
        }
    }
    m_store.m_nLive = m_store.m_nUsed;
    m_store.m_pOpen = last.used != 0 ? &last : nullptr;
    m_store.m_pFound = nullptr;
    chunks = std::move(kept);  // the rest go here
    m_store.m_byAddress.clear();
    for (const std::unique_ptr<Chunk>& pChunk : chunks) {
        m_store.m_byAddress.push_back({pChunk->data.get(), pChunk.get()});
    }
    std::sort(m_store.m_byAddress.begin(), m_store.m_byAddress.end(),
              [](const ChunkStart& a, const ChunkStart& b) { return std::less<>()(a.pData, b.pData); });
}
