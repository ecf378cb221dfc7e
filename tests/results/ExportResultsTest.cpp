#include "ResultsExport.h"
#include "ResultsFakes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTimer>
#include <QTemporaryDir>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

TEST(ExportResultsTest, TheDialogFilterBecomesQtNameFilters)
{
    EXPECT_EQ(ConvertDialogFilter(QString::fromLatin1(kExportDialogFilter)),
              (QStringList{"Comma delimitted files(*.csv)", "All files(*.*)"}));
}

TEST(ExportResultsTest, TheSaveDialogAsksForOneFileWithTheCsvFilterFirst)
{
    ResultsModel model;
    FakeMessageBox messages;
    bool seen = false;
    QTimer::singleShot(0, [&]() {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        EXPECT_EQ(dialog->windowTitle(), "Save file");
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
        EXPECT_EQ(dialog->nameFilters(), (QStringList{"Comma delimitted files(*.csv)", "All files(*.*)"}));
        EXPECT_EQ(dialog->selectedNameFilter(), "Comma delimitted files(*.csv)");
        dialog->reject();
    });
    bool called = false;
    ExportResults(nullptr, model, messages, [&](const QString&) { called = true; });
    EXPECT_TRUE(seen);
    EXPECT_FALSE(called);
}

TEST(ExportResultsTest, WritesTheChosenFileAndShowsTheCount)
{
    QTemporaryDir dir;
    ResultsModel model;
    model.AddRow({"c", "l", "h", "d", "e", "p", "01/01/2024", "http://1"});
    model.AddRow({"c", "l", "h", "d", "e", "p", "01/01/2024", "http://2"});
    FakeMessageBox messages;
    QStringList exported;
    const QString path = dir.filePath("leads.csv");
    ExportResults(nullptr, model, messages, [&](const QString& t) { exported << t; },
                  [&](QWidget*) { return path; });
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(exported, QStringList{"2 exported items"});
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("\r\n"), 3);
}

TEST(ExportResultsTest, CancelWritesNothing)
{
    ResultsModel model;
    FakeMessageBox messages;
    bool called = false;
    ExportResults(nullptr, model, messages, [&](const QString&) { called = true; }, [](QWidget*) { return QString(); });
    EXPECT_FALSE(called);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(ExportResultsTest, AFailureIsShownNamingTheFile)
{
    QTemporaryDir dir;
    ResultsModel model;
    FakeMessageBox messages;
    bool called = false;
    const QString path = dir.filePath("no/such/dir/leads.csv");
    ExportResults(nullptr, model, messages, [&](const QString&) { called = true; }, [&](QWidget*) { return path; });
    EXPECT_FALSE(called);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(path)) << messages.shown[0].text.toStdString();
    EXPECT_EQ(messages.shown[0].kind, IMessageBox::Warning);
    EXPECT_EQ(messages.shown[0].buttons, IMessageBox::Ok);
}

} // namespace
