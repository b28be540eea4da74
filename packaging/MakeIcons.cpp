// Writes the window icon IDI_APP as the PNG files of the hicolor icon theme:
//   MakeIcons OUTDIR NAME   ->   OUTDIR/<N>x<N>/apps/NAME.png for each size below.
// Each size is drawn from the drawing that divides it evenly, each pixel repeated, so the pixel
// art stays sharp instead of being blurred by an interpolating scaler.
#include "qt/QtIcons.h"
#include "res/resource.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

namespace {

constexpr int kDrawnSizes[] = {32, 16};  // largest first: the fewest repeats
constexpr int kThemeSizes[] = {16, 32, 48, 64, 128, 256};

// Every pixel of the source becomes a factor x factor block.
QImage Enlarged(const QImage& source, int factor)
{
    QImage result(source.width() * factor, source.height() * factor, QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            result.setPixel(x, y, source.pixel(x / factor, y / factor));
        }
    }
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTDIR NAME\n", argv[0]);
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (const int size : kThemeSizes) {
        QImage image;
        for (const int drawn : kDrawnSizes) {
            if (size % drawn == 0) {
                image = IconImage(IDI_APP, drawn);
                if (!image.isNull()) {
                    image = Enlarged(image, size / drawn);
                    break;
                }
            }
        }
        if (image.isNull()) {
            std::fprintf(stderr, "%s: no drawing of IDI_APP divides %d pixels\n", argv[0], size);
            return 1;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(dir, name);
        if (!QDir().mkpath(dir) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(file));
            return 1;
        }
    }
    return 0;
}
