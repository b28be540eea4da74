// The item-model face of the task table, checked by the toolkit's own model tester over a session
// of the changes that commands make: inserts, single and scattered deletes, sorts and resets.
#include "QtTestEnv.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

std::vector<std::string> g_modelFaults;

void CollectModelFaults(QtMsgType type, const QMessageLogContext& context, const QString& strMessage)
{
    if (type != QtDebugMsg && context.category != nullptr && std::string_view(context.category) == "qt.modeltest") {
        g_modelFaults.push_back(strMessage.toStdString());
    }
}

TEST(TaskTableModelTest, EveryChangeOfTheTableIsAConsistentModelChange)
{
    CTempDataDir dir;
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    WriteTaskFile(dir.File("ruvelo.csv"), {"e\t1\t", "d\t2\t", "c\t3\t", "b\t4\t", "a\t5\t", "f\t6\t"});
    CQtTestApp env;
    CShownMainWindow main(env);
    CListCtrl& list = main.dlg.m_list;
    CTaskTableModel* pModel = main.View()->Model();
    ASSERT_NE(pModel, nullptr);

    g_modelFaults.clear();
    const QtMessageHandler previous = qInstallMessageHandler(CollectModelFaults);
    {
        QAbstractItemModelTester tester(pModel, QAbstractItemModelTester::FailureReportingMode::Warning);
        QSignalSpy resets(pModel, &QAbstractItemModel::modelReset);
        QSignalSpy removals(pModel, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserts(pModel, &QAbstractItemModel::rowsInserted);
        QSignalSpy layouts(pModel, &QAbstractItemModel::layoutChanged);
        const auto select = [&](std::initializer_list<int> rows) {
            list.SetItemState(-1, 0, LVIS_SELECTED);
            for (const int nRow : rows) {
                list.SetItemState(nRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            }
        };

        // An insert through the entry dialog.
        env.ws.onModalDialog = [](HWND, CDialog&) {
            QTest::keyClicks(QApplication::focusWidget(), "g");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        };
        main.Key(Qt::Key_I, Qt::ControlModifier);
        EXPECT_EQ(inserts.count(), 1);
        // A single delete, then scattered ones.
        select({1});
        main.Key(Qt::Key_D, Qt::ControlModifier);
        EXPECT_EQ(removals.count(), 1);
        select({0, 2, 4});
        main.Key(Qt::Key_Delete, Qt::ControlModifier);
        // Sorts, with a selection that moves along.
        select({0, 3});
        main.Key(Qt::Key_T, Qt::ControlModifier);
        main.Key(Qt::Key_J, Qt::ControlModifier);
        EXPECT_EQ(layouts.count(), 2);
        // An edit: append, then delete.
        select({0});
        env.ws.onModalDialog = [](HWND, CDialog&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); };
        main.Key(Qt::Key_E, Qt::ControlModifier);
        // A bulk load, as a file read does it.
        list.SetRedraw(FALSE);
        for (int i = 0; i < 20; ++i) {
            main.dlg.AppendTask("bulk", i, "");
        }
        list.SetRedraw(TRUE);
        main.dlg.AutoSizeColumns();
        main.Command(ID_FONT_LARGER);
        // Delete all, confirmed.
        env.ws.messageBoxAnswers.push_back(IDYES);
        main.Command(ID_TASK_DELETE_ALL);
        EXPECT_EQ(list.GetItemCount(), 0);
        EXPECT_GE(resets.count(), 2);
        EXPECT_EQ(pModel->rowCount(), 0);
        CShownMainWindow::ProcessEvents();
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_modelFaults.empty()) << g_modelFaults.front();
}

} // namespace
