// The settings reader: any bytes give some size without a crash or a message; the font asks for
// the height that size gives; the font commands stop at the ends of the range; the shutdown
// writes the size as "%d" text.
#include "FuzzHarness.h"
#include "framework/Decimal.h"
#include "support/ModelTaskFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    fuzz::WriteFile("ruvelo.ini", bytes);
    fuzz::WriteFile("ruvelo.csv", "");

    int nExpected = model::ParseSettings(bytes);
    {
        fuzz::CProgram program;
        fuzz::Check(program.ws.boxes.empty(), "a message at start-up");
        fuzz::Check(program.dlg.m_nFontSize == nExpected, "the size read differs from the rules");
        fuzz::Check(!program.ws.fontHeights.empty() &&
                        program.ws.fontHeights.back() == model::FontHeight(nExpected, 96),
                    "the font height for the size read");
        // The last byte picks the commands, so that the corpus reaches both ends of the range.
        const unsigned nSteps = nSize > 0 ? pData[nSize - 1] % 4 : 0;
        for (unsigned i = 0; i < nSteps; ++i) {
            const bool bLarger = ((pData[nSize - 1] >> (2 + i)) & 1) != 0;
            program.Command(bLarger ? ID_FONT_LARGER : ID_FONT_SMALLER);
            nExpected = model::AddSaturating(nExpected, bLarger ? 20 : -20);
            fuzz::Check(program.dlg.m_nFontSize == nExpected, "the size after a font command");
            fuzz::Check(program.ws.fontHeights.back() == model::FontHeight(nExpected, 96),
                        "the font height after a command");
        }
    }
    char szExpected[16];
    std::snprintf(szExpected, sizeof szExpected, "%d", nExpected);
    fuzz::Check(FormatDecimal(nExpected) == szExpected, "FormatDecimal is not %d");
    fuzz::Check(fuzz::ReadFile("ruvelo.ini") == std::string(szExpected), "the settings file written at shutdown");
    return 0;
}
