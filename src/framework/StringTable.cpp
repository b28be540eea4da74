#include "framework/StringTable.h"

#include "framework/Cp932.h"
#include "framework/ResourceTypes.h"

#include <map>

CString AfxLoadString(UINT nID)
{
    // Converted once per id: the table is small and its texts never change.
    static std::map<UINT, CString> s_cache;
    if (const auto it = s_cache.find(nID); it != s_cache.end()) {
        return it->second;
    }
    const STRINGRESOURCE* pString = res::FindString(nID);
    CString strText = pString != nullptr ? cp932::FromUtf8(pString->text) : CString();
    s_cache.emplace(nID, strText);
    return strText;
}
