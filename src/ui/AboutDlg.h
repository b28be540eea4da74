#pragma once
// The version box: the icon, the name and version, one more line, and OK.

#include "framework/Wnd.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};
