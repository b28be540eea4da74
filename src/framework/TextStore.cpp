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
    auto it = std::upper_bound(m_byAddress.begin(), m_byAddress.end(), p,
                               [](const char* q, const ChunkStart& c) { return std::less<>()(q, c.pData); });
    if (it == m_byAddress.begin()) {
        return nullptr;
    }
    Chunk* pChunk = (it - 1)->pChunk;
    return std::less<>()(p, pChunk->data.get() + pChunk->capacity) ? pChunk : nullptr;
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
    m_nUsed = 0;
    m_nLive = 0;
}

bool CTextStore::WantsCompaction(std::size_t nReleasing) const
{
    const std::size_t live = m_nLive - std::min(nReleasing, m_nLive);
    const std::size_t garbage = m_nUsed - live;
    return garbage > kCompactionSlack && garbage > live;
}
