#pragma once

#include "framework/Afx.h"

#include <optional>
#include <string_view>

// The name of the entry in strDir that equals strName without regard to the case of ASCII
// letters; the first in byte order when there are several, so that reading and writing agree.
// Nothing when there is none or the directory cannot be read.
std::optional<CString> FindFileNoCase(const CString& strDir, std::string_view strName);
