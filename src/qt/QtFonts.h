#pragma once
// Fonts: the faces that the program names are mapped to installed Japanese fonts, and a
// font description becomes a QFont.

#include "framework/Wnd.h"

#include <QFont>

// The tallest character the list is drawn with, in pixels; the size setting may ask for more.
constexpr int kMaxFontPixelHeight = 1000;

// Maps the Windows Japanese faces to IPA Gothic (fixed pitch) and IPA P Gothic (proportional).
void InstallFontSubstitutions();

// A negative height asks for a character height in pixels; 0 for the toolkit's default size.
QFont FontFromLogFont(const LOGFONT& lf);

// A dialog template's font: point size at the screen's resolution, as the window system does.
QFont DialogTemplateFont(const DLGTEMPLATE& dlgTemplate, int nLogPixelsY);
