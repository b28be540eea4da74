// The task file's loader: any bytes load without a crash or a message into the rows the rules
// give; a save writes them in the file's own format, and a second start reads the same rows.
#include "FuzzHarness.h"
#include "support/ModelTaskFile.h"

#include <cstdint>

namespace {

struct Row {
    model::Task task;
    LPARAM key;
    friend bool operator==(const Row&, const Row&) = default;
};

std::vector<Row> Rows(const CListCtrl& list)
{
    std::vector<Row> rows;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        rows.push_back({{std::string(list.GetItemText(i, 0)), std::string(list.GetItemText(i, 1)),
                         std::string(list.GetItemText(i, 2))},
                        list.GetItemData(i)});
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    fuzz::WriteFile("ruvelo.ini", "120");
    fuzz::WriteFile("ruvelo.csv", bytes);

    std::vector<Row> first;
    {
        fuzz::CProgram program;
        fuzz::Check(program.ws.boxes.empty(), "a message at start-up");
        first = Rows(program.dlg.m_list);
        const std::vector<model::Task> expected = model::ParseTaskFile(bytes);
        fuzz::Check(first.size() == expected.size(), "row count differs from the rules");
        for (std::size_t i = 0; i < first.size(); ++i) {
            fuzz::Check(first[i].task == expected[i], "row texts differ from the rules");
            fuzz::Check(first[i].key == static_cast<LPARAM>(i), "a loaded row's key is not its position");
        }
        fuzz::Check(fuzz::ReadFile("ruvelo.csv") == std::string(bytes), "start-up wrote the task file");

        program.Command(ID_TASK_DELETE);  // nothing is selected: only the save
        fuzz::Check(program.ws.boxes.empty(), "a message at the save");
        fuzz::Check(fuzz::ReadFile("ruvelo.csv") == model::SerializeTaskFile(expected), "the saved bytes");
    }
    fuzz::CProgram again;
    fuzz::Check(again.ws.boxes.empty(), "a message at the second start");
    fuzz::Check(Rows(again.dlg.m_list) == first, "the saved file reads back differently");
    return 0;
}
