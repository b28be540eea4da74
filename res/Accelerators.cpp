// The accelerator table: every entry needs Ctrl; Shift only where the entry asks for it, and Alt
// never.
#include "framework/ResourceTypes.h"
#include "res/resource.h"

#include <array>

namespace res {
namespace {

constexpr std::uint8_t kCtrlKey = FVIRTKEY | FNOINVERT | FCONTROL;
constexpr std::uint8_t kCtrlShiftKey = kCtrlKey | FSHIFT;

constexpr std::array kAccelerators = {
    ACCEL{kCtrlKey, 'D', ID_ACCEL_DELETE},
    ACCEL{kCtrlKey, 'E', ID_ACCEL_EDIT},
    ACCEL{kCtrlKey, 'F', ID_ACCEL_FIND},
    ACCEL{kCtrlKey, 'I', ID_ACCEL_ADD},
    ACCEL{kCtrlKey, 'J', ID_ACCEL_SORT_IMPORTANCE},
    ACCEL{kCtrlKey, 'T', ID_ACCEL_SORT_TITLE},
    ACCEL{kCtrlKey, VK_DELETE, ID_ACCEL_DELETE2},
    // Undo and redo, after the table's own entries.
    ACCEL{kCtrlKey, 'Z', ID_ACCEL_UNDO},
    ACCEL{kCtrlKey, 'Y', ID_ACCEL_REDO},
    ACCEL{kCtrlShiftKey, 'Z', ID_ACCEL_REDO2},
};

constexpr ACCELTABLE kTable{IDR_ACCELERATORS, kAccelerators};

} // namespace

const ACCELTABLE* FindAccelerators(UINT id) { return id == kTable.id ? &kTable : nullptr; }

} // namespace res
