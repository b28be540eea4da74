// The contains test of Find against a plain walk written from its definition: occurrences begin
// only at character boundaries, and an empty text contains nothing.
#include "FuzzHarness.h"
#include "framework/Cp932.h"
#include "support/ModelTaskFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize < 2) {
        return 0;
    }
    // Byte 0: the search text's length, and whether it is cut out of the text (at the offset
    // byte 1 gives) or follows byte 1 on its own.
    const std::size_t nSearch = pData[0] & 0x1F;
    const std::string_view rest(reinterpret_cast<const char*>(pData + 2), nSize - 2);
    std::string_view text;
    std::string_view search;
    if ((pData[0] & 0x80) != 0 && !rest.empty()) {
        text = rest;
        search = rest.substr(pData[1] % rest.size(), nSearch);
    } else {
        search = rest.substr(0, nSearch);
        text = rest.substr(search.size());
    }
    const int nFound = cp932::Find(text, search);
    fuzz::Check(nFound == model::FindInTitle(text, search), "Find differs from the definition");
    if (nFound != -1) {
        fuzz::Check(text.substr(static_cast<std::size_t>(nFound), search.size()) == search, "not an occurrence");
    }
    return 0;
}
