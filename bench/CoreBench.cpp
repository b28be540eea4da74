// The core's speed: loading and saving the task file, and the command bodies that work on the
// whole list, each beside a baseline that does the bare minimum of the same work in the same run.
// Only the work itself is timed (manual time); rebuilding the list between runs is not.
#include "BenchSupport.h"
#include "TaskFileGenerator.h"

#include "framework/Decimal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr UINT kBothStates = LVIS_SELECTED | LVIS_FOCUSED;

// One generated task file per size, made the first time a benchmark asks for it.
struct CDataSet {
    CBenchDir dir;
    std::size_t nFileBytes = 0;
    [[nodiscard]] std::string TaskFile() const { return dir.File("ruvelo.csv"); }
};

const CDataSet& DataSet(long nTasks)
{
    static std::map<long, std::unique_ptr<CDataSet>> sets;
    std::unique_ptr<CDataSet>& pSet = sets[nTasks];
    if (!pSet) {
        pSet = std::make_unique<CDataSet>();
        pSet->nFileBytes = WriteTaskFile(pSet->TaskFile(), static_cast<std::size_t>(nTasks));
    }
    return *pSet;
}

// The list as start-up leaves it: emptied, then the task file loaded again.
void Reload(CBenchMainWindow& main)
{
    main.List().DeleteAllItems();
    main.Dlg().LoadTasks();
    main.Dlg().m_undo.Clear();
}

void CheckRows(benchmark::State& state, CBenchMainWindow& main, long nExpected)
{
    if (main.List().GetItemCount() != nExpected) {
        state.SkipWithError("the list does not hold the generated tasks");
    }
}

// ---------------------------------------------------------------------------------------------
// Loading.

void BM_LoadTasks(benchmark::State& state)
{
    const CDataSet& data = DataSet(state.range(0));
    CBenchMainWindow main(data.dir.Path());
    for (auto _ : state) {
        main.List().DeleteAllItems();
        const CStopwatch watch;
        main.Dlg().LoadTasks();
        state.SetIterationTime(watch.Seconds());
    }
    CheckRows(state, main, state.range(0));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.nFileBytes));
}

// One read() of the whole file, then its lines found with memchr.
void BM_LoadBaseline(benchmark::State& state)
{
    const CDataSet& data = DataSet(state.range(0));
    const std::string strPath = data.TaskFile();
    long nLines = 0;
    for (auto _ : state) {
        const CStopwatch watch;
        nLines = BareLoad(strPath);
        benchmark::DoNotOptimize(nLines);
        state.SetIterationTime(watch.Seconds());
    }
    if (nLines != state.range(0)) {
        state.SkipWithError("the baseline counted the wrong number of lines");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.nFileBytes));
}

// ---------------------------------------------------------------------------------------------
// Saving. Both write to the same directory, on the file system of $TMPDIR, and both wait for the
// disk (fsync).

void BM_SaveTasks(benchmark::State& state)
{
    const CDataSet& data = DataSet(state.range(0));
    CBenchDir dir; // its own, so that the loading benchmarks keep their file
    WriteTaskFile(dir.File("ruvelo.csv"), static_cast<std::size_t>(state.range(0)));
    CBenchMainWindow main(dir.Path());
    main.Dlg().LoadTasks();
    for (auto _ : state) {
        const CStopwatch watch;
        main.Dlg().SaveTasks();
        state.SetIterationTime(watch.Seconds());
    }
    if (ReadWholeFile(dir.File("ruvelo.csv")) != ReadWholeFile(data.TaskFile())) {
        state.SkipWithError("the saved file differs from the loaded one");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.nFileBytes));
}

// One write() of the same bytes into an existing file of the same directory, then fsync.
void BM_SaveBaseline(benchmark::State& state)
{
    const CDataSet& data = DataSet(state.range(0));
    const std::string strBytes = ReadWholeFile(data.TaskFile());
    CBenchDir dir;
    const std::string strPath = dir.File("baseline.csv");
    for (auto _ : state) {
        const CStopwatch watch;
        if (!BareWrite(strPath, strBytes)) {
            state.SkipWithError("write failed");
            break;
        }
        state.SetIterationTime(watch.Seconds());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.nFileBytes));
}

// ---------------------------------------------------------------------------------------------
// Command bodies, without the task file write: the sorts and Find write none; Delete and Add are
// measured up to the SaveTasks call that ends them, whose cost the saving benchmarks give.

void BM_SortTitle(benchmark::State& state)
{
    CBenchMainWindow main(DataSet(state.range(0)).dir.Path());
    for (auto _ : state) {
        Reload(main);
        const CStopwatch watch;
        main.Dlg().OnSortTitle();
        state.SetIterationTime(watch.Seconds());
    }
    CheckRows(state, main, state.range(0));
}

void BM_SortImportance(benchmark::State& state)
{
    CBenchMainWindow main(DataSet(state.range(0)).dir.Path());
    for (auto _ : state) {
        Reload(main);
        const CStopwatch watch;
        main.Dlg().OnSortImportance();
        state.SetIterationTime(watch.Seconds());
    }
    CheckRows(state, main, state.range(0));
}

// std::sort of the same titles, in file order, as std::string byte strings.
void BM_SortBaseline(benchmark::State& state)
{
    std::vector<std::string> titles;
    {
        CBenchMainWindow main(DataSet(state.range(0)).dir.Path());
        main.Dlg().LoadTasks();
        titles.reserve(static_cast<std::size_t>(main.List().GetItemCount()));
        for (int i = 0; i < main.List().GetItemCount(); ++i) {
            titles.emplace_back(main.List().GetItemText(i, 0));
        }
    }
    for (auto _ : state) {
        std::vector<std::string> sorted = titles;
        const CStopwatch watch;
        std::sort(sorted.begin(), sorted.end());
        state.SetIterationTime(watch.Seconds());
        benchmark::DoNotOptimize(sorted.data());
    }
}

// Find after the dialog: the scan of every title with its selecting.
void FindBody(benchmark::State& state, const std::string& strFind)
{
    CBenchMainWindow main(DataSet(state.range(0)).dir.Path());
    main.Dlg().LoadTasks();
    for (auto _ : state) {
        main.List().SetItemState(-1, 0, kBothStates);
        const CStopwatch watch;
        main.Dlg().m_nFindPos = 0;
        main.Dlg().m_strFind = strFind;
        main.Dlg().SelectMatchingTasks();
        state.SetIterationTime(watch.Seconds());
    }
    state.counters["matches"] = static_cast<double>(main.List().GetSelectedCount());
}

void BM_FindMany(benchmark::State& state)
{
    FindBody(state, CTaskFileGenerator::CommonTitleWord());
}

void BM_FindNone(benchmark::State& state)
{
    FindBody(state, CTaskFileGenerator::AbsentText());
}

// Delete with every other row selected: what DeleteSelectedTasks does before it saves.
void BM_DeleteHalf(benchmark::State& state)
{
    CBenchMainWindow main(DataSet(state.range(0)).dir.Path());
    for (auto _ : state) {
        Reload(main);
        for (int i = 0; i < main.List().GetItemCount(); i += 2) {
            main.List().SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
        }
        const CStopwatch watch;
        main.List().DeleteSelectedItems();
        state.SetIterationTime(watch.Seconds());
    }
    CheckRows(state, main, state.range(0) / 2);
}

// Add after the dialog, up to its save: clear the selection, append, fit the columns, select the
// new row and bring it into view.
void BM_AddOne(benchmark::State& state)
{
    CBenchMainWindow main(DataSet(state.range(0)).dir.Path());
    CTaskListDlg& dlg = main.Dlg();
    dlg.LoadTasks();
    dlg.m_entryDlg.m_strTitle = CTaskFileGenerator().Next().strTitle;
    dlg.m_entryDlg.m_strImportance = "5";
    dlg.m_entryDlg.m_strDetails = CTaskFileGenerator(7).Next().strDetails;
    CListCtrl& list = main.List();
    for (auto _ : state) {
        const CStopwatch watch;
        list.SetItemState(-1, 0, kBothStates);
        const int nImportance = ReadDecimalOrZero(dlg.m_entryDlg.m_strImportance);
        dlg.AppendTask(dlg.m_entryDlg.m_strTitle.c_str(), nImportance, dlg.m_entryDlg.m_strDetails.c_str());
        dlg.AutoSizeColumns();
        const int nLast = list.GetItemCount() - 1;
        list.SetItemState(nLast, kBothStates, kBothStates);
        list.EnsureVisible(nLast, TRUE);
        state.SetIterationTime(watch.Seconds());
        list.DeleteItem(nLast); // the next run starts from the same rows
    }
    CheckRows(state, main, state.range(0));
}

// ---------------------------------------------------------------------------------------------
// Undo and redo. A sort's step is its permutation and writes nothing; undoing a saving command
// puts its rows back and writes the whole file, so it is set against the bare write of that file.

// Sorts by title after a load, then undoes (or undoes and redoes) the sort.
void SortUndoBody(benchmark::State& state, bool bRedo)
{
    CBenchMainWindow main(DataSet(state.range(0)).dir.Path());
    CTaskListDlg& dlg = main.Dlg();
    const std::string strFirst = [&] {
        Reload(main);
        return std::string(main.List().GetItemText(0, 0));
    }();
    for (auto _ : state) {
        Reload(main);
        dlg.OnSortTitle();
        if (bRedo) {
            dlg.OnEditUndo();
        }
        const CStopwatch watch;
        bRedo ? dlg.OnEditRedo() : dlg.OnEditUndo();
        state.SetIterationTime(watch.Seconds());
    }
    CheckRows(state, main, state.range(0));
    if (!bRedo && main.List().GetItemText(0, 0) != strFirst) {
        state.SkipWithError("the undo did not give back the loaded order");
    }
}

void BM_UndoSortTitle(benchmark::State& state) { SortUndoBody(state, false); }

void BM_RedoSortTitle(benchmark::State& state) { SortUndoBody(state, true); }

// Deletes every other row (saving), then times the undo: the rows put back and the file written.
void BM_UndoDeleteHalf(benchmark::State& state)
{
    CBenchDir dir;  // its own: the deletes write the file
    WriteTaskFile(dir.File("ruvelo.csv"), static_cast<std::size_t>(state.range(0)));
    const std::string strOriginal = ReadWholeFile(dir.File("ruvelo.csv"));
    CBenchMainWindow main(dir.Path());
    CTaskListDlg& dlg = main.Dlg();
    for (auto _ : state) {
        Reload(main);
        for (int i = 0; i < main.List().GetItemCount(); i += 2) {
            main.List().SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
        }
        dlg.DeleteSelectedTasks();
        const CStopwatch watch;
        dlg.OnEditUndo();
        state.SetIterationTime(watch.Seconds());
    }
    CheckRows(state, main, state.range(0));
    if (ReadWholeFile(dir.File("ruvelo.csv")) != strOriginal) {
        state.SkipWithError("the undo did not write back the original file");
    }
}

// Adds one task (saving), then times its undo: the row removed and the file written.
void BM_UndoAdd(benchmark::State& state)
{
    CBenchDir dir;
    WriteTaskFile(dir.File("ruvelo.csv"), static_cast<std::size_t>(state.range(0)));
    CBenchMainWindow main(dir.Path());
    CTaskListDlg& dlg = main.Dlg();
    dlg.LoadTasks();
    for (auto _ : state) {
        dlg.AppendTask("added", 5, "details");
        dlg.m_undo.Record([&] {
            CUndoStep step(CUndoStep::Kind::Add);
            main.List().CopyRow(main.List().GetItemCount() - 1, step.added);
            return step;
        }());
        dlg.SaveTasks();
        const CStopwatch watch;
        dlg.OnEditUndo();
        state.SetIterationTime(watch.Seconds());
    }
    CheckRows(state, main, state.range(0));
}

constexpr long k10k = 10000;
constexpr long k100k = 100000;
constexpr long k1M = 1000000;

void Register(const char* pszName, void (*pfn)(benchmark::State&), std::initializer_list<long> sizes)
{
    benchmark::internal::Benchmark* pBench = benchmark::RegisterBenchmark(pszName, pfn);
    for (const long n : sizes) {
        pBench->Arg(n);
    }
    pBench->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Register("LoadBaseline", BM_LoadBaseline, {k10k, k100k, k1M});
    Register("LoadTasks", BM_LoadTasks, {k10k, k100k, k1M});
    Register("SaveBaseline", BM_SaveBaseline, {k10k, k100k, k1M});
    Register("SaveTasks", BM_SaveTasks, {k10k, k100k, k1M});
    Register("SortBaseline", BM_SortBaseline, {k100k, k1M});
    Register("SortTitle", BM_SortTitle, {k100k, k1M});
    Register("SortImportance", BM_SortImportance, {k100k, k1M});
    Register("FindMany", BM_FindMany, {k100k, k1M});
    Register("FindNone", BM_FindNone, {k100k, k1M});
    Register("DeleteHalf", BM_DeleteHalf, {k100k, k1M});
    Register("AddOne", BM_AddOne, {k100k, k1M});
    Register("UndoSortTitle", BM_UndoSortTitle, {k100k, k1M});
    Register("RedoSortTitle", BM_RedoSortTitle, {k100k, k1M});
    Register("UndoDeleteHalf", BM_UndoDeleteHalf, {k100k, k1M});
    Register("UndoAdd", BM_UndoAdd, {k100k, k1M});

    using G = CBenchGoal;
    CRatioReporter reporter({
        {"LoadTasks", G::ratioToBaseline, 3.0, "LoadBaseline"},
        {"SaveTasks", G::ratioToBaseline, 2.0, "SaveBaseline"},
        {"SortTitle", G::ratioToBaseline, 1.5, "SortBaseline"},
        {"SortImportance", G::ratioToBaseline, 1.5, "SortBaseline"},
        {"FindMany", G::linearInRows, 1.5, ""},
        {"FindNone", G::linearInRows, 1.5, ""},
        {"DeleteHalf", G::linearInRows, 1.5, ""},
        {"SortTitle", G::underMilliseconds, 50.0, "", k100k},
        {"SortImportance", G::underMilliseconds, 50.0, "", k100k},
        {"FindMany", G::underMilliseconds, 50.0, "", k100k},
        {"FindNone", G::underMilliseconds, 50.0, "", k100k},
        {"DeleteHalf", G::underMilliseconds, 50.0, "", k100k},
        {"AddOne", G::underMilliseconds, 50.0, "", k100k},
        {"UndoSortTitle", G::underMilliseconds, 500.0, "", k1M},
        {"RedoSortTitle", G::underMilliseconds, 500.0, "", k1M},
        {"UndoDeleteHalf", G::ratioToBaseline, 2.0, "SaveBaseline"},
        {"UndoAdd", G::ratioToBaseline, 2.0, "SaveBaseline"},
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
