#include "qt/QtIcons.h"

#include "framework/ResourceTypes.h"

namespace {

int PaletteIndex(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;  // transparent
}

} // namespace

QImage IconImage(UINT nID, int nSize)
{
    const ICONTEMPLATE* pIcon = res::FindIcon(nID);
    if (pIcon == nullptr) {
        return {};
    }
    for (const ICONIMAGE& image : pIcon->images) {
        if (image.size != nSize) {
            continue;
        }
        QImage result(nSize, nSize, QImage::Format_ARGB32);
        result.fill(Qt::transparent);
        for (int y = 0; y < nSize && y < static_cast<int>(image.rows.size()); ++y) {
            const std::string_view row = image.rows[static_cast<std::size_t>(y)];
            for (int x = 0; x < nSize && x < static_cast<int>(row.size()); ++x) {
                const int index = PaletteIndex(row[static_cast<std::size_t>(x)]);
                if (index >= 0) {
                    result.setPixel(x, y, 0xFF000000u | kIconPalette[index]);
                }
            }
        }
        return result;
    }
    return {};
}

QIcon IconFromResource(UINT nID)
{
    QIcon icon;
    for (const int nSize : {16, 32}) {
        if (const QImage image = IconImage(nID, nSize); !image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon;
}
