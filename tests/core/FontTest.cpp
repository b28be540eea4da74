// The list font: the font asked for at each size and resolution, the two size commands, the
// column fitting that follows, and what a failed font creation leaves behind.
#include "framework/Cp932.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

const std::string kTasks = "short\t1\tdetails text\r\na much longer title\t2\tx\r\n";

struct FontTest : ::testing::Test {
    CTempDataDir dir;
    CTestApp env;

    void WriteFiles(std::string_view settings, std::string_view tasks = kTasks)
    {
        WriteFileBytes(dir.File("ruvelo.ini"), settings);
        WriteFileBytes(dir.File("ruvelo.csv"), tasks);
    }
    [[nodiscard]] HFONT ListFont(const CStartedMainWindow& main) { return env.ws.GetFont(main.dlg.m_list.m_hWnd); }
};

struct HeightCase {
    int nSize;
    int nLogPixelsY;
    int nHeight;
};

class FontHeightTest : public FontTest, public ::testing::WithParamInterface<HeightCase> {};

// -|trunc(dpi * size / 720)|; a size too small for one pixel asks for the default height (0).
TEST_P(FontHeightTest, StartUpAsksForThisCharacterHeight)
{
    env.ws.nLogPixelsY = GetParam().nLogPixelsY;
    WriteFiles(std::to_string(GetParam().nSize));
    CStartedMainWindow main(env);

    ASSERT_EQ(env.ws.fontsCreated.size(), 1u);
    EXPECT_EQ(env.ws.fontsCreated[0].lfHeight, GetParam().nHeight);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FontHeightTest,
                         ::testing::Values(HeightCase{90, 96, -12}, HeightCase{100, 96, -13}, HeightCase{110, 96, -14},
                                           HeightCase{70, 96, -9}, HeightCase{140, 96, -18}, HeightCase{200, 96, -26},
                                           HeightCase{10, 96, -1}, HeightCase{-10, 96, -1}, HeightCase{-30, 96, -4},
                                           HeightCase{8, 96, -1}, HeightCase{-8, 96, -1}, HeightCase{7, 96, 0},
                                           HeightCase{1, 96, 0}, HeightCase{0, 96, 0}, HeightCase{-1, 96, 0},
                                           HeightCase{-7, 96, 0}, HeightCase{90, 120, -15}, HeightCase{5, 144, -1},
                                           HeightCase{INT_MAX, 96, -286331152}, HeightCase{INT_MIN, 96, -286331153}));

TEST_F(FontTest, FontIsTheFixedFaceWithDefaultsEverywhereElse)
{
    WriteFiles("90");
    CStartedMainWindow main(env);

    ASSERT_EQ(env.ws.fontsCreated.size(), 1u);
    const LOGFONT& lf = env.ws.fontsCreated[0];
    EXPECT_EQ(std::string(lf.lfFaceName), "\x82\x6C\x82\x72\x83\x53\x83\x56\x83\x62\x83\x4E");
    EXPECT_EQ(std::string(lf.lfFaceName), Sjis("ＭＳゴシック"));
    EXPECT_EQ(lf.lfCharSet, 1);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfEscapement, 0);
    EXPECT_EQ(lf.lfOrientation, 0);
    EXPECT_EQ(lf.lfWeight, 0);
    EXPECT_EQ(lf.lfItalic + lf.lfUnderline + lf.lfStrikeOut, 0);
    EXPECT_EQ(lf.lfOutPrecision + lf.lfClipPrecision + lf.lfQuality + lf.lfPitchAndFamily, 0);
    // The list no longer draws with the dialog's own font, which is left to the dialog.
    EXPECT_NE(ListFont(main), nullptr);
    EXPECT_NE(ListFont(main), env.ws.GetFont(main.dlg.m_hWnd));
}

// Below 10 the text grows again, and no command complains.
TEST_F(FontTest, RepeatedSmallerFrom90)
{
    WriteFiles("90");
    CStartedMainWindow main(env);

    const std::vector<std::pair<int, int>> expected = {{70, -9}, {50, -6}, {30, -4}, {10, -1}, {-10, -1}, {-30, -4}};
    for (const auto& [nSize, nHeight] : expected) {
        main.Command(ID_FONT_SMALLER);
        EXPECT_EQ(main.dlg.m_nFontSize, nSize);
        EXPECT_EQ(env.ws.fontsCreated.back().lfHeight, nHeight) << "size " << nSize;
    }
    EXPECT_EQ(env.ws.fontsCreated.size(), expected.size() + 1);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

TEST_F(FontTest, LargerAndSmallerStepByTwoPoints)
{
    WriteFiles("90");
    CStartedMainWindow main(env);

    std::vector<HFONT> fonts = {ListFont(main)};

    main.Command(ID_FONT_LARGER);
    EXPECT_EQ(main.dlg.m_nFontSize, 110);
    EXPECT_EQ(env.ws.fontsCreated.back().lfHeight, -14);
    fonts.push_back(ListFont(main));
    main.Command(ID_POPUP_FONT_SMALLER);
    main.Command(ID_FONT_SMALLER);
    EXPECT_EQ(main.dlg.m_nFontSize, 70);
    EXPECT_EQ(env.ws.fontsCreated.back().lfHeight, -9);
    fonts.push_back(ListFont(main));
    main.Command(ID_POPUP_FONT_LARGER);
    EXPECT_EQ(main.dlg.m_nFontSize, 90);
    EXPECT_EQ(env.ws.fontsCreated.back().lfHeight, -12);

    // Each change gives the list a font of its own.
    EXPECT_EQ(env.ws.fontsCreated.size(), 5u);
    EXPECT_NE(fonts[0], fonts[1]);
    EXPECT_NE(fonts[1], fonts[2]);
}

// A size at either end of the range stays there instead of wrapping to the other end.
TEST_F(FontTest, SizeSaturatesAtTheEndsOfTheRange)
{
    const struct {
        const char* settings;
        UINT nCommand;
        int nSize;
        int nHeight;
    } cases[] = {{"2147483640", ID_FONT_LARGER, INT_MAX, -286331152},
                 {"-2147483640", ID_FONT_SMALLER, INT_MIN, -286331153}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        WriteFiles(c.settings);
        CStartedMainWindow main(env);

        main.Command(c.nCommand);
        main.Command(c.nCommand);

        EXPECT_EQ(main.dlg.m_nFontSize, c.nSize);
        EXPECT_EQ(env.ws.fontsCreated.back().lfHeight, c.nHeight);
        main.Close();
        EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), std::to_string(c.nSize));
    }
}

TEST_F(FontTest, SizeChangeRefitsTitleAndDetailsColumnsOnly)
{
    WriteFiles("90");
    CStartedMainWindow main(env);
    main.List().SetColumnWidth(0, 3);
    main.List().SetColumnWidth(1, 4);
    main.List().SetColumnWidth(2, 5);

    main.Command(ID_FONT_LARGER);

    EXPECT_EQ(main.List().GetColumnWidth(0), env.ws.CellWidth("a much longer title"));
    EXPECT_EQ(main.List().GetColumnWidth(1), 4);
    EXPECT_EQ(main.List().GetColumnWidth(2), env.ws.CellWidth("details text"));
}

TEST_F(FontTest, SizeChangeOnAnEmptyListChangesNoWidth)
{
    WriteFiles("90", "");
    CStartedMainWindow main(env);
    ASSERT_EQ(main.List().GetItemCount(), 0);

    main.Command(ID_FONT_LARGER);
    main.Command(ID_FONT_SMALLER);
    main.Command(ID_FONT_SMALLER);

    EXPECT_EQ(main.List().GetColumnWidth(0), 400);
    EXPECT_EQ(main.List().GetColumnWidth(1), 60);
    EXPECT_EQ(main.List().GetColumnWidth(2), 1000);
    EXPECT_EQ(env.ws.fontsCreated.size(), 4u);
}

// The size reaches the settings file once, at shutdown; rows, selection and task file stay.
TEST_F(FontTest, NothingIsSavedUntilTheWindowCloses)
{
    WriteFiles("90", kTasks + "\r\n");
    CStartedMainWindow main(env);
    main.List().SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);

    main.Command(ID_FONT_LARGER);
    main.Command(ID_FONT_LARGER);
    main.Command(ID_FONT_SMALLER);

    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), "90");
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), kTasks + "\r\n");
    EXPECT_EQ(main.SelectedRows(), std::vector<int>{1});
    EXPECT_EQ(main.FocusedRow(), 1);
    main.Close();
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), "110");
}

// ---------------------------------------------------------------------------------------------
// A window system that cannot make fonts while told so.

class CFontFailingWindowSystem : public CFakeWindowSystem {
public:
    bool bFailFonts = false;
    int nFailures = 0;

    HFONT CreateFontIndirect(const LOGFONT& lf) override
    {
        if (bFailFonts) {
            ++nFailures;
            return nullptr;
        }
        return CFakeWindowSystem::CreateFontIndirect(lf);
    }
};

// The list keeps the font it has; the size keeps its change, which the next font then builds on.
TEST(FontFailure, ListKeepsItsFontAndTheSizeKeepsItsChange)
{
    CTempDataDir dir;
    WriteFileBytes(dir.File("ruvelo.ini"), "90");
    WriteFileBytes(dir.File("ruvelo.csv"), kTasks);
    CFontFailingWindowSystem ws;
    CTaskApp app;
    app.SetWindowSystem(&ws);
    app.InitApplication("/opt/ruvelo2/RUVelo2");
    ws.mainLoop = [&] {
        auto& main = static_cast<CTaskListDlg&>(*AfxGetMainWnd());
        const HFONT hBefore = ws.GetFont(main.m_list.m_hWnd);
        main.m_list.SetColumnWidth(0, 3);

        ws.bFailFonts = true;
        main.SendMessage(WM_COMMAND, ID_FONT_LARGER, 0);
        EXPECT_EQ(ws.nFailures, 1);
        EXPECT_EQ(ws.GetFont(main.m_list.m_hWnd), hBefore);
        EXPECT_EQ(main.m_nFontSize, 110);
        EXPECT_EQ(main.m_list.GetColumnWidth(0), ws.CellWidth("a much longer title")); // still fitted

        ws.bFailFonts = false;
        main.SendMessage(WM_COMMAND, ID_FONT_LARGER, 0);
        EXPECT_EQ(main.m_nFontSize, 130);
        EXPECT_EQ(ws.fontsCreated.back().lfHeight, -17);
        EXPECT_NE(ws.GetFont(main.m_list.m_hWnd), hBefore);
    };

    app.InitInstance();

    EXPECT_TRUE(ws.messageBoxes.empty());
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), "130");
}

} // namespace
