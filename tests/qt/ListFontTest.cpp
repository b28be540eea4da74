// The list font as the toolkit draws it: pixel heights at the offscreen screen's 96 dpi, the face,
// the header, and sizes far beyond any screen.
#include "QtTestEnv.h"
#include "qt/QtFonts.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QImage>
#include <gtest/gtest.h>

#include <climits>

namespace {

struct FontCase {
    const char* pszSettings;
    std::vector<UINT> commands;
    int nFontSize;
    int nPixels;
};

class ListFontTest : public ::testing::TestWithParam<FontCase> {};

TEST_P(ListFontTest, TheListAndItsHeaderDrawAtTheCharacterHeightOfTheSize)
{
    const FontCase& c = GetParam();
    CTempDataDir dir;
    WriteFileBytes(dir.File("ruvelo.ini"), c.pszSettings);
    WriteTaskFile(dir.File("ruvelo.csv"), {"買い物\t3\t牛乳"});
    CQtTestApp env;
    CShownMainWindow main(env);
    for (const UINT nID : c.commands) {
        main.Command(nID);
    }
    EXPECT_EQ(main.dlg.m_nFontSize, c.nFontSize);
    const QFont font = main.View()->font();
    EXPECT_EQ(font.pixelSize(), c.nPixels);
    EXPECT_EQ(QFontInfo(font).pixelSize(), c.nPixels);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(main.View()->Header()->font().pixelSize(), c.nPixels);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ListFontTest,
                         ::testing::Values(FontCase{"90", {}, 90, 12}, FontCase{"90", {ID_FONT_LARGER}, 110, 14},
                                           FontCase{"90", {ID_FONT_SMALLER}, 70, 9},
                                           FontCase{"10", {ID_POPUP_FONT_SMALLER}, -10, 1},
                                           FontCase{"90",
                                                    {ID_FONT_SMALLER, ID_FONT_SMALLER, ID_FONT_SMALLER, ID_FONT_SMALLER,
                                                     ID_FONT_SMALLER, ID_FONT_SMALLER},
                                                    -30,
                                                    4},
                                           FontCase{"120", {ID_POPUP_FONT_LARGER, ID_FONT_LARGER}, 160, 21}));

TEST(ListFontLimitTest, AHugeSizeDrawsAtTheLargestHeightAndKeepsItsValue)
{
    CTempDataDir dir;
    WriteFileBytes(dir.File("ruvelo.ini"), "2147483647");
    WriteTaskFile(dir.File("ruvelo.csv"), {"買い物\t3\t牛乳", "b\t1\t"});
    CQtTestApp env;
    CShownMainWindow main(env);
    main.Command(ID_FONT_LARGER);

    EXPECT_EQ(main.dlg.m_nFontSize, INT_MAX);
    EXPECT_EQ(main.View()->font().pixelSize(), kMaxFontPixelHeight);
    EXPECT_GT(main.View()->RowHeight(), kMaxFontPixelHeight);
    // Painting rows and header at that size must work.
    EXPECT_FALSE(main.View()->grab().isNull());
    EXPECT_FALSE(main.View()->Header()->grab().isNull());
    main.Close();
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), "2147483647");
}

} // namespace
