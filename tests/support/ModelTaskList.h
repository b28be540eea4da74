#pragma once
// A plain reference model of the main window's state, written from the behaviour of each command:
// the rows with their keys and flags, the focus and the selection mark, the entry dialog's three
// fields, the font size and the bytes the task file should hold. The soak test runs every command
// on the program and on this model and compares the two.

#include "support/ModelTaskFile.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace model {

struct Row {
    Task task;
    int key = 0;
    bool selected = false;
    friend bool operator==(const Row&, const Row&) = default;
};

// What the user does in one showing of the entry dialog; a box left unset keeps its text.
struct DialogInput {
    bool bOk = true;
    std::optional<std::string> title;
    std::optional<std::string> importance;
    std::optional<std::string> details;
};

// A message box the program should show: its text (UTF-8 here, as written in the rules), its own
// caption or none for the application name, and its flags.
struct Box {
    std::string strTextUtf8;
    std::string strCaptionUtf8;  // empty: the application name
    unsigned nType = 0;
};

class CTaskListModel {
public:
    std::vector<Row> rows;
    int nFocused = -1;
    int nMark = -1;
    std::string fieldTitle, fieldImportance, fieldDetails;
    int nFontSize = kDefaultFontSize;
    std::string fileBytes;  // the task file as the last save left it

    // What the last command showed, in order: the dialog's boxes as it opened, and message boxes.
    struct Shown {
        std::string title, importance, details;
    };
    std::vector<Shown> dialogsShown;
    std::vector<Box> boxes;

    // A fresh start on a task file's bytes, a settings value, and no selection.
    void Start(std::string_view taskFile, int nFont)
    {
        rows.clear();
        for (Task& task : ParseTaskFile(taskFile)) {
            rows.push_back(Row{std::move(task), static_cast<int>(rows.size()), false});
        }
        nFocused = -1;
        nMark = -1;
        fieldTitle.clear();
        fieldImportance.clear();
        fieldDetails.clear();
        nFontSize = nFont;
        fileBytes = std::string(taskFile);
    }

    void BeginCommand()
    {
        dialogsShown.clear();
        boxes.clear();
    }

    void Add(const DialogInput& in)
    {
        ResetFields();
        if (ShowDialog(in)) {
            SetAllStates(false);
            nFocused = -1;
            Append(fieldTitle, fieldImportance, fieldDetails);
            SelectAndFocus(Count() - 1);
        }
        Save();
    }

    void Edit(const DialogInput& in)
    {
        const int nItem = FirstSelected();
        if (nItem != -1) {
            ResetFields();
            fieldTitle = rows[Index(nItem)].task.title;
            fieldImportance = rows[Index(nItem)].task.importance;
            fieldDetails = rows[Index(nItem)].task.details;
            if (ShowDialog(in)) {
                // Only the row the dialog showed is replaced; the file is written once.
                Append(fieldTitle, fieldImportance, fieldDetails);
                DeleteRow(nItem);
                Save();
                SetAllStates(false);
                nFocused = -1;
                SelectAndFocus(Count() - 1);
                return;
            }
        }
        Save();
    }

    void Delete()
    {
        // The survivors keep their order; the focus goes to the first survivor at or below the
        // focused row, else to the new last row; a deleted selection mark becomes -1.
        std::vector<Row> kept;
        int nNewFocus = -1;
        int nNewMark = -1;
        for (int i = 0; i < Count(); ++i) {
            if (i == nFocused) {
                nNewFocus = static_cast<int>(kept.size());
            }
            if (rows[Index(i)].selected) {
                continue;
            }
            if (i == nMark) {
                nNewMark = static_cast<int>(kept.size());
            }
            kept.push_back(rows[Index(i)]);
        }
        rows = std::move(kept);
        nFocused = nFocused == -1 ? -1 : std::min(nNewFocus, Count() - 1);
        nMark = nNewMark;
        Save();
    }

    void DeleteAll(bool bYes)
    {
        boxes.push_back({"すべてのお仕事を削除していいですか？", "全削除の確認", 0x144});
        if (!bYes) {
            return;
        }
        rows.clear();
        nFocused = -1;
        nMark = -1;
        boxes.push_back({"すべてのお仕事を消してしまいました。", "", 0});
        Save();
    }

    void SortImportance()
    {
        Sort([](const Row& a, const Row& b) { return CompareBytes(a.task.importance, b.task.importance) > 0; });
    }

    void SortTitle()
    {
        Sort([](const Row& a, const Row& b) { return CompareBytes(a.task.title, b.task.title) < 0; });
    }

    void Find(const DialogInput& in)
    {
        if (!ShowDialog(in)) {
            return;
        }
        bool bMatched = false;
        for (int i = 0; i < Count(); ++i) {
            if (FindInTitle(rows[Index(i)].task.title, fieldTitle) != -1) {
                bMatched = true;
                nMark = i;
                SelectAndFocus(i);
            }
        }
        if (!bMatched) {
            boxes.push_back({"見つかりません", "", 0});
        }
    }

    void FontLarger() { nFontSize = AddSaturating(nFontSize, 20); }
    void FontSmaller() { nFontSize = AddSaturating(nFontSize, -20); }

    // A click as the view passes it on: the states in the mask set to those given; -1 for all rows.
    void SetItemState(int nItem, bool bSelect, bool bFocus, unsigned nMask)
    {
        constexpr unsigned kFocused = 1;
        constexpr unsigned kSelected = 2;
        if (nItem == -1) {
            if ((nMask & kSelected) != 0) {
                SetAllStates(bSelect);
            }
            if ((nMask & kFocused) != 0 && !bFocus) {
                nFocused = -1;
            }
            return;
        }
        if (nItem < 0 || nItem >= Count()) {
            return;
        }
        if ((nMask & kSelected) != 0) {
            rows[Index(nItem)].selected = bSelect;
        }
        if ((nMask & kFocused) != 0) {
            if (bFocus) {
                nFocused = nItem;
            } else if (nFocused == nItem) {
                nFocused = -1;
            }
        }
    }

    // Undo and redo, kept here as whole snapshots: the plainest account of what each must give back.
    enum class StepKind { Add, Edit, Delete, DeleteAll, SortImportance, SortTitle };
    struct Snapshot {
        std::vector<Row> rows;
        int nFocused = -1;
        int nMark = -1;
    };
    struct Step {
        StepKind kind;
        Snapshot before;
        Snapshot after;
    };
    std::vector<Step> undoSteps, redoSteps;
    static constexpr std::size_t kMaxSteps = 100;

    [[nodiscard]] Snapshot Snap() const { return {rows, nFocused, nMark}; }

    // Whether two lists hold the same rows, texts and keys, in the same order, flags aside.
    static bool SameRows(const std::vector<Row>& a, const std::vector<Row>& b)
    {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](const Row& x, const Row& y) { return x.task == y.task && x.key == y.key; });
    }

    // After a command that changed rows: a step to undo, and nothing left to redo.
    void Record(StepKind kind, Snapshot before)
    {
        redoSteps.clear();
        undoSteps.push_back({kind, std::move(before), Snap()});
        if (undoSteps.size() > kMaxSteps) {
            undoSteps.erase(undoSteps.begin());
        }
    }

    void Undo()
    {
        if (undoSteps.empty()) {
            return;
        }
        Step step = std::move(undoSteps.back());
        undoSteps.pop_back();
        rows = step.before.rows;
        switch (step.kind) {
        case StepKind::Delete:
        case StepKind::DeleteAll: {
            // The rows that come back are selected, the first of them focused.
            if (step.kind == StepKind::DeleteAll) {
                SetAllStates(true);
            }
            const int nFirst = FirstSelected();
            nFocused = nFirst;
            nMark = nFirst;
            break;
        }
        default:
            nFocused = step.before.nFocused;
            nMark = step.before.nMark;
            break;
        }
        if (Saves(step.kind)) {
            Save();
        }
        redoSteps.push_back(std::move(step));
    }

    void Redo()
    {
        if (redoSteps.empty()) {
            return;
        }
        Step step = std::move(redoSteps.back());
        redoSteps.pop_back();
        switch (step.kind) {
        case StepKind::Add:
        case StepKind::Edit: {
            if (step.kind == StepKind::Edit) {
                int nItem = 0;
                while (!step.before.rows[Index(nItem)].selected) {
                    ++nItem;
                }
                DeleteRow(nItem);
            }
            rows = step.after.rows;
            SetAllStates(false);
            SelectAndFocus(Count() - 1);
            break;
        }
        case StepKind::Delete:
            for (std::size_t i = 0; i < rows.size(); ++i) {
                rows[i].selected = step.before.rows[i].selected;
            }
            Delete();
            break;
        case StepKind::DeleteAll:
            rows.clear();
            nFocused = -1;
            nMark = -1;
            break;
        case StepKind::SortImportance:
            SortImportance();
            break;
        case StepKind::SortTitle:
            SortTitle();
            break;
        }
        if (Saves(step.kind)) {
            Save();
        }
        undoSteps.push_back(std::move(step));
    }

    static bool Saves(StepKind kind) { return kind != StepKind::SortImportance && kind != StepKind::SortTitle; }

    [[nodiscard]] int Count() const { return static_cast<int>(rows.size()); }

    [[nodiscard]] std::vector<Task> Tasks() const
    {
        std::vector<Task> tasks;
        for (const Row& row : rows) {
            tasks.push_back(row.task);
        }
        return tasks;
    }

private:
    static std::size_t Index(int n) { return static_cast<std::size_t>(n); }

    void ResetFields()
    {
        fieldImportance = "5";
        fieldDetails.clear();
        fieldTitle.clear();
    }

    // The dialog opens with the fields; OK copies the boxes back, Cancel leaves the fields.
    bool ShowDialog(const DialogInput& in)
    {
        dialogsShown.push_back({fieldTitle, fieldImportance, fieldDetails});
        if (!in.bOk) {
            return false;
        }
        fieldTitle = in.title.value_or(fieldTitle);
        fieldImportance = in.importance.value_or(fieldImportance);
        fieldDetails = in.details.value_or(fieldDetails);
        return true;
    }

    void Append(const std::string& title, const std::string& importance, const std::string& details)
    {
        rows.push_back(Row{Stored(title, importance, details), Count(), false});
    }

    void DeleteRow(int nItem)
    {
        rows.erase(rows.begin() + nItem);
        if (nFocused == nItem) {
            nFocused = std::min(nItem, Count() - 1);
        } else if (nFocused > nItem) {
            --nFocused;
        }
        if (nMark == nItem) {
            nMark = -1;
        } else if (nMark > nItem) {
            --nMark;
        }
    }

    [[nodiscard]] int FirstSelected() const
    {
        for (int i = 0; i < Count(); ++i) {
            if (rows[Index(i)].selected) {
                return i;
            }
        }
        return -1;
    }

    void SetAllStates(bool bSelect)
    {
        for (Row& row : rows) {
            row.selected = bSelect;
        }
    }

    void SelectAndFocus(int nItem)
    {
        rows[Index(nItem)].selected = true;
        nFocused = nItem;
    }

    template <class Less>
    void Sort(Less less)
    {
        // Rows that compare equal keep their order; the focus and the mark travel with their rows.
        std::vector<int> order(rows.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = static_cast<int>(i);
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return less(rows[Index(a)], rows[Index(b)]); });
        std::vector<Row> sorted;
        int nNewFocus = -1;
        int nNewMark = -1;
        for (std::size_t nNew = 0; nNew < order.size(); ++nNew) {
            sorted.push_back(rows[Index(order[nNew])]);
            sorted.back().key = static_cast<int>(nNew);
            if (order[nNew] == nFocused) {
                nNewFocus = static_cast<int>(nNew);
            }
            if (order[nNew] == nMark) {
                nNewMark = static_cast<int>(nNew);
            }
        }
        rows = std::move(sorted);
        nFocused = nNewFocus;
        nMark = nNewMark;
    }

    void Save() { fileBytes = SerializeTaskFile(Tasks()); }
};

} // namespace model
