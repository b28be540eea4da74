#pragma once
// Dialog units to pixels, from the dialog font's metrics as the window system computes them:
// the base width is the average width of the Latin letters, the base height the font's height.

#include <QFont>
#include <QRect>

class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);

    [[nodiscard]] int X(int nUnits) const;
    [[nodiscard]] int Y(int nUnits) const;
    [[nodiscard]] QRect Rect(int x, int y, int cx, int cy) const;
    [[nodiscard]] int BaseWidth() const { return m_nBaseX; }
    [[nodiscard]] int BaseHeight() const { return m_nBaseY; }

private:
    int m_nBaseX;
    int m_nBaseY;
};
