#pragma once

#include "framework/Afx.h"

#include <QIcon>
#include <QImage>

// The image of a resource icon at one of its sizes; a null image when there is none.
QImage IconImage(UINT nID, int nSize);
// All sizes of a resource icon.
QIcon IconFromResource(UINT nID);
