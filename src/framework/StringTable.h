#pragma once

#include "framework/Afx.h"

// The code page 932 text of a string resource; empty for an id that the table does not hold.
CString AfxLoadString(UINT nID);
