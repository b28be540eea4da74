#include "qt/QtFonts.h"

#include "qt/QtText.h"

#include <algorithm>
#include <cstring>

namespace {
// The installed counterparts of the faces the program and its templates ask for.
constexpr const char* kFixedFace = "IPAGothic";
constexpr const char* kProportionalFace = "IPAPGothic";
} // namespace

void InstallFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral(u"ＭＳゴシック"), QLatin1String(kFixedFace));
    QFont::insertSubstitution(QStringLiteral(u"ＭＳ ゴシック"), QLatin1String(kFixedFace));
    QFont::insertSubstitution(QStringLiteral(u"ＭＳ Ｐゴシック"), QLatin1String(kProportionalFace));
}

QFont FontFromLogFont(const LOGFONT& lf)
{
    const QString strFace = ToQString(std::string_view(lf.lfFaceName, ::strnlen(lf.lfFaceName, LF_FACESIZE)));
    QFont font(strFace);
    if (lf.lfHeight != 0) {
        // The height is the character height without internal leading, which is the em size.
        const long long magnitude = lf.lfHeight < 0 ? -static_cast<long long>(lf.lfHeight) : lf.lfHeight;
        font.setPixelSize(static_cast<int>(std::clamp<long long>(magnitude, 1, kMaxFontPixelHeight)));
    }
    if (lf.lfWeight != 0) {
        font.setWeight(lf.lfWeight >= 700 ? QFont::Bold : QFont::Normal);
    }
    font.setItalic(lf.lfItalic != 0);
    return font;
}

QFont DialogTemplateFont(const DLGTEMPLATE& dlgTemplate, int nLogPixelsY)
{
    QFont font(FromResource(dlgTemplate.faceName));
    // -MulDiv(points, dpi, 72): rounded to the nearest pixel.
    font.setPixelSize(std::max(1, (dlgTemplate.pointSize * nLogPixelsY + 36) / 72));
    return font;
}
