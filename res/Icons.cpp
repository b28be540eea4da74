// The application icon IDI_APP: a task pad with ticked items, drawn for RUVelo2 in the 16
// standard colours. Each row is one line of pixels; see ICONIMAGE for the letters.
#include "framework/ResourceTypes.h"
#include "res/resource.h"

#include <array>

namespace res {
namespace {

constexpr std::array<std::string_view, 32> kApp32 = {
    "................................",
    ".........88...88...88...........",
    "....0000077000770007700000......",
    "....0444477444774447744440......",
    "....044447744477444774444088....",
    "....044444444444444444444088....",
    "....044444444444444444444088....",
    "....0FFFFFFFFFFFFFFFFFFFF088....",
    "....0FFFFFFFFFFFFFFFFFFFF088....",
    "....0FFFFFFFFFFAFFFFFFFFF088....",
    "....0FF88888FFA2FFFFFFFFF088....",
    "....0FF8FFF8FA2FFFFFFFFFF088....",
    "....0FF8AFFFA2F88888888FF088....",
    "....0FF8A2FA28F777777FFFF088....",
    "....0FF88A2A2FFFFFFFFFFFF088....",
    "....0FFFFFA2FFFFFFFFFFFFF088....",
    "....0FF88888FFFFFFFFFFFFF088....",
    "....0FF8FFF8FFFFFFFFFFFFF088....",
    "....0FF8FFF8FF88888888FFF088....",
    "....0FF8FFF8FF77777FFFFFF088....",
    "....0FF88888FFFFFFFFFFFFF088....",
    "....0FFFFFFFFFFFFFFFFFFFF088....",
    "....0FF88888FFFFFFFFFF99F088....",
    "....0FF8FFF8FFFFFFFFFF99F088....",
    "....0FF8FFF8FFCCCCCCCC99F088....",
    "....0FF8FFF8FF777777FFFFF088....",
    "....0FF88888FFFFFFFFFF99F088....",
    "....0FFFFFFFFFFFFFFFFFFFF088....",
    "....000000000000000000000088....",
    "......8888888888888888888888....",
    "......8888888888888888888888....",
    "................................",
};

constexpr std::array<std::string_view, 16> kApp16 = {
    "................",
    "..000000000000..",
    "..0444444444408.",
    "..0444444444408.",
    "..0FFFFFFFFFF08.",
    "..0FFFFAFFFFF08.",
    "..0FAFAF8888F08.",
    "..0FFAFFFFFFF08.",
    "..0FFFFAFFFFF08.",
    "..0FAFAF8888F08.",
    "..0FFAFFFFFFF08.",
    "..0FFFFFFFF9F08.",
    "..0F888FCCC9F08.",
    "..0FFFFFFFFFF08.",
    "..0000000000008.",
    "...888888888888.",
};

constexpr std::array kAppImages = {ICONIMAGE{32, kApp32}, ICONIMAGE{16, kApp16}};

constexpr ICONTEMPLATE kAppIcon{IDI_APP, kAppImages};

} // namespace

const ICONTEMPLATE* FindIcon(UINT id) { return id == kAppIcon.id ? &kAppIcon : nullptr; }

} // namespace res
