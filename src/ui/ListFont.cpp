// The list font: its size in tenths of a point, changed two points at a time.
#include "framework/Decimal.h"
#include "ui/TaskListDlg.h"

namespace {
// "ＭＳゴシック" without a space, unlike the dialog font's face.
constexpr const char* kListFontFace = "\x82\x6C\x82\x72\x83\x53\x83\x56\x83\x62\x83\x4E";
constexpr int kFontStep = 20;
} // namespace

void CTaskListDlg::ApplyListFont()
{
    if (const HFONT hFont = m_list.GetFont(); hFont != nullptr) {
        // On failure the font object still stands for the list's current font, which the list
        // is given again. Fonts are never released while the program runs.
        CFont font(hFont);
        font.CreatePointFont(m_nFontSize, kListFontFace);
        m_list.SetFont(font.GetSafeHandle(), TRUE);
    }
    AutoSizeColumns();
}

void CTaskListDlg::OnFontLarger()
{
    m_nFontSize = SaturatingAdd(m_nFontSize, kFontStep);
    ApplyListFont();
}

void CTaskListDlg::OnFontSmaller()
{
    m_nFontSize = SaturatingAdd(m_nFontSize, -kFontStep);
    ApplyListFont();
}
