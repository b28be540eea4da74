#include "qt/DialogUnits.h"

#include <QFontMetrics>

namespace {
// MulDiv: the product divided with rounding to the nearest integer.
int MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    const long long product = static_cast<long long>(nNumber) * nNumerator;
    return static_cast<int>((product + (product >= 0 ? nDenominator / 2 : -nDenominator / 2)) / nDenominator);
}
} // namespace

CDialogUnits::CDialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int nAlphabet = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = (nAlphabet / 26 + 1) / 2;
    m_nBaseY = metrics.height();
}

int CDialogUnits::X(int nUnits) const { return MulDiv(nUnits, m_nBaseX, 4); }

int CDialogUnits::Y(int nUnits) const { return MulDiv(nUnits, m_nBaseY, 8); }

QRect CDialogUnits::Rect(int x, int y, int cx, int cy) const { return QRect(X(x), Y(y), X(cx), Y(cy)); }
