#include "ResultsCommands.h"
#include "ResultsFakes.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

LeadRecord Lead(const std::string& url)
{
    LeadRecord r;
    r.Category = "cat " + url;
    r.Location = "loc";
    r.Headline = "head";
    r.Description = "desc";
    r.Emails = "a@b.c";
    r.Phones = "555";
    r.DatePosted = "01/02/2024";
    r.DetailsUrl = url;
    return r;
}

std::string Url(int i) { return "http://ads.example/" + std::to_string(i); }

class ResultsCommandsTest : public ::testing::Test {
public:
    // Rows 0..count-1 with URLs Url(i), each remembered in the session.
    void Fill(int count)
    {
        for (int i = 0; i < count; ++i) {
            model.AddRow(Lead(Url(i)));
            session.Remember(Url(i));
        }
    }
    void SelectRows(std::initializer_list<int> rows)
    {
        for (int r : rows)
            selection.select(model.index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::vector<std::string> Urls() const
    {
        std::vector<std::string> urls;
        for (int i = 0; i < model.Count(); ++i)
            urls.push_back(model.Row(i).DetailsUrl);
        return urls;
    }
    std::set<int> SelectedRows() const
    {
        std::set<int> rows;
        for (const QModelIndex& i : selection.selectedIndexes())
            rows.insert(i.row());
        return rows;
    }
    void DeleteSelectedNow(int rowsPerPump = kRowsPerPump)
    {
        DeleteSelected(model, selection, session, pump, messages, [this](const QString& t) { status.push_back(t); },
                       rowsPerPump);
    }
    void DeleteAllNow()
    {
        DeleteAll(model, session, pump, messages, [this](const QString& t) { status.push_back(t); });
    }

    ResultsModel model;
    QItemSelectionModel selection{&model};
    HarvestSession session;
    FakePump pump;
    FakeMessageBox messages;
    std::vector<QString> status;
};

TEST_F(ResultsCommandsTest, ModelShowsTheEightColumns)
{
    LeadRecord r{"Cat", "Loc", "Head", "Desc", "e@x.y", "123", "03/04/2024", "http://u"};
    EXPECT_EQ(model.AddRow(r), 1);
    EXPECT_EQ(model.AddRow(r), 2);
    ASSERT_EQ(model.columnCount(), 8);
    const char* expected[] = {"Cat", "Loc", "Head", "Desc", "e@x.y", "123", "03/04/2024", "http://u"};
    const char* captions[] = {"Category", "Location", "Headline", "Description",
                              "Emails", "Phones", "Date Posted", "Details URL"};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(model.data(model.index(1, c)).toString(), expected[c]);
        EXPECT_EQ(model.headerData(c, Qt::Horizontal).toString(), captions[c]);
    }
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::EditRole).isValid());
}

TEST_F(ResultsCommandsTest, DeleteSelectedRemovesExactlyTheSelectedRowsAndTheirKeys)
{
    Fill(5);
    SelectRows({1, 3});
    DeleteSelectedNow();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Are you sure to delete selected items?");
    EXPECT_EQ(messages.shown[0].kind, IMessageBox::Warning);
    EXPECT_EQ(messages.shown[0].buttons, IMessageBox::OkCancel);
    EXPECT_EQ(Urls(), (std::vector<std::string>{Url(0), Url(2), Url(4)}));
    EXPECT_EQ(session.SeenUrls.size(), 3);
    for (int kept : {0, 2, 4})
        EXPECT_TRUE(session.HasSeen(Url(kept)));
    for (int gone : {1, 3})
        EXPECT_FALSE(session.HasSeen(Url(gone)));
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.back(), "3 items");
    EXPECT_TRUE(SelectedRows().empty());
}

TEST_F(ResultsCommandsTest, DeleteSelectedRemovesTheKeyWhateverItsCaseAndBlanks)
{
    model.AddRow(Lead("  http://Ads.Example/Mixed  "));
    model.AddRow(Lead("http://ads.example/other"));
    session.Remember("HTTP://ADS.EXAMPLE/MIXED");
    session.Remember("http://ads.example/other");
    SelectRows({0});
    DeleteSelectedNow();
    EXPECT_FALSE(session.HasSeen("http://ads.example/mixed"));
    EXPECT_TRUE(session.HasSeen("http://ads.example/other"));
    EXPECT_EQ(model.Count(), 1);
}

TEST_F(ResultsCommandsTest, ARowWithoutAKeyIsDeletedAllTheSame)
{
    model.AddRow(Lead("http://never-remembered"));
    SelectRows({0});
    DeleteSelectedNow();
    EXPECT_EQ(model.Count(), 0);
    EXPECT_EQ(status.back(), "0 items");
}

TEST_F(ResultsCommandsTest, CancelLeavesRowsKeysAndCounterAlone)
{
    Fill(5);
    SelectRows({1, 3});
    messages.answer = IMessageBox::AnswerCancel;
    DeleteSelectedNow();
    DeleteAllNow();
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(model.Count(), 5);
    EXPECT_EQ(session.SeenUrls.size(), 5);
    EXPECT_TRUE(status.empty());
    EXPECT_EQ(SelectedRows(), (std::set<int>{1, 3}));
}

TEST_F(ResultsCommandsTest, DeleteSelectedAsksEvenWithoutASelection)
{
    Fill(2);
    DeleteSelectedNow();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(model.Count(), 2);
    EXPECT_EQ(status.back(), "2 items");
}

TEST_F(ResultsCommandsTest, DeleteAllEmptiesRowsAndEveryKey)
{
    Fill(4);
    session.Remember("http://a-key-without-a-row");
    DeleteAllNow();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Are you sure to delete all?");
    EXPECT_EQ(messages.shown[0].kind, IMessageBox::Warning);
    EXPECT_EQ(messages.shown[0].buttons, IMessageBox::OkCancel);
    EXPECT_EQ(model.Count(), 0);
    EXPECT_TRUE(session.SeenUrls.isEmpty());
    EXPECT_EQ(status.back(), "0 items");

    // Asked also on an empty list.
    DeleteAllNow();
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(ResultsCommandsTest, ScatteredSelectionsDeleteLikeRowByRow)
{
    // Patterns large enough to take the bulk path, checked against a plain
    // reference; windows smaller than the list so rows go in several steps.
    struct Case {
        const char* name;
        int rows;
        std::function<bool(int)> selected;
        int rowsPerPump;
    } cases[] = {
        {"every second row", 1000, [](int i) { return i % 2 == 0; }, 64},
        {"every third row", 999, [](int i) { return i % 3 == 1; }, 100},
        {"blocks across windows", 500, [](int i) { return (i / 7) % 2 == 1; }, 10},
        {"all rows", 300, [](int) { return true; }, 50},
        {"first and last", 300, [](int i) { return i == 0 || i == 299; }, 1},
        {"few ranges", 200, [](int i) { return i >= 20 && i < 40; }, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model.Clear();
        session.SeenUrls.clear();
        Fill(c.rows);
        std::vector<std::string> expected;
        QItemSelection sel;
        for (int i = 0; i < c.rows; ++i) {
            if (c.selected(i))
                sel.select(model.index(i, 0), model.index(i, 7));
            else
                expected.push_back(Url(i));
        }
        selection.select(sel, QItemSelectionModel::ClearAndSelect);
        DeleteSelectedNow(c.rowsPerPump);
        EXPECT_EQ(Urls(), expected);
        EXPECT_EQ(session.SeenUrls.size(), qsizetype(expected.size()));
        for (const std::string& url : expected)
            EXPECT_TRUE(session.HasSeen(url));
        EXPECT_EQ(status.back(), QString::number(expected.size()) + " items");
    }
}

TEST_F(ResultsCommandsTest, SelectAllAndClearSelectionMarkEveryRow)
{
    Fill(25);
    SelectAll(model, selection, pump, 4);
    EXPECT_EQ(SelectedRows().size(), 25u);
    EXPECT_EQ(pump.pumps, 7);  // a pump after every window of 4 rows
    // Whole rows, every column.
    EXPECT_EQ(selection.selectedIndexes().size(), 25 * 8);

    ClearSelection(model, selection, pump, 4);
    EXPECT_TRUE(SelectedRows().empty());
}

TEST_F(ResultsCommandsTest, RowsAppendedDuringACommandAreNotTouched)
{
    Fill(10);
    int appended = 0;
    pump.onPump = [&]() { model.AddRow(Lead("http://appended/" + std::to_string(appended++))); };

    SelectAll(model, selection, pump, 3);
    std::set<int> firstTen;
    for (int i = 0; i < 10; ++i)
        firstTen.insert(i);
    EXPECT_EQ(SelectedRows(), firstTen);

    // Rows appended and selected by the user during Clear Selection stay selected.
    pump.onPump = [&]() {
        const int row = model.AddRow(Lead("http://appended/" + std::to_string(appended++))) - 1;
        selection.select(model.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    const int countBefore = model.Count();
    ClearSelection(model, selection, pump, 3);
    std::set<int> appendedRows;
    for (int i = countBefore; i < model.Count(); ++i)
        appendedRows.insert(i);
    EXPECT_FALSE(appendedRows.empty());
    EXPECT_EQ(SelectedRows(), appendedRows);

    // Delete Selected with everything selected: only what was selected goes.
    selection.select(QItemSelection(model.index(0, 0), model.index(model.Count() - 1, 7)),
                     QItemSelectionModel::ClearAndSelect);
    const int selectedBefore = model.Count();
    const int appendedBefore = appended;
    pump.onPump = [&]() { model.AddRow(Lead("http://appended/" + std::to_string(appended++))); };
    DeleteSelectedNow(3);
    EXPECT_EQ(model.Count(), appended - appendedBefore);
    for (int i = 0; i < model.Count(); ++i)
        EXPECT_EQ(model.Row(i).DetailsUrl, "http://appended/" + std::to_string(appendedBefore + i));
    EXPECT_GT(selectedBefore, 10);
}

TEST_F(ResultsCommandsTest, RowsVanishingInAPumpAreSkipped)
{
    // Delete All confirmed inside a pump of each walking command.
    struct Case {
        const char* name;
        std::function<void(ResultsCommandsTest&)> run;
    } cases[] = {
        {"Delete Selected", [](ResultsCommandsTest& t) { t.DeleteSelectedNow(4); }},
        {"Select All", [](ResultsCommandsTest& t) { SelectAll(t.model, t.selection, t.pump, 4); }},
        {"Clear Selection", [](ResultsCommandsTest& t) { ClearSelection(t.model, t.selection, t.pump, 4); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model.Clear();
        status.clear();
        Fill(40);
        QItemSelection sel;
        for (int i = 0; i < 40; i += 3)
            sel.select(model.index(i, 0), model.index(i, 7));
        selection.select(sel, QItemSelectionModel::ClearAndSelect);
        bool nested = false;
        pump.onPump = [&]() {
            if (!nested) {
                nested = true;
                DeleteAllNow();
                // The harvest goes on meanwhile.
                model.AddRow(Lead("http://after"));
            }
        };
        c.run(*this);
        pump.onPump = nullptr;
        EXPECT_TRUE(nested);
        ASSERT_EQ(model.Count(), 1);
        EXPECT_EQ(model.Row(0).DetailsUrl, "http://after");
        EXPECT_TRUE(SelectedRows().empty());
    }
}

TEST_F(ResultsCommandsTest, SelectAllGoesOnOverTheRowsLeftAfterARemovalInAPump)
{
    Fill(20);
    bool removed = false;
    pump.onPump = [&]() {
        if (!removed) {
            removed = true;
            model.RemoveRows(2, 10);  // rows the walk has and has not reached yet
            model.AddRow(Lead("http://late"));
        }
    };
    SelectAll(model, selection, pump, 4);
    pump.onPump = nullptr;
    ASSERT_EQ(model.Count(), 11);
    std::set<int> expected;
    for (int i = 0; i < 10; ++i)
        expected.insert(i);  // all rows from the start that are left, not the late one
    EXPECT_EQ(SelectedRows(), expected);
}

TEST_F(ResultsCommandsTest, NestedDeleteSelectedInAPumpLeavesConsistentRowsAndKeys)
{
    Fill(20);
    SelectRows({2, 5, 11, 17});
    bool nested = false;
    pump.onPump = [&]() {
        if (!nested) {
            nested = true;
            // The user selects another row and deletes again inside the pump.
            SelectRows({0});
            DeleteSelectedNow(4);
        }
    };
    DeleteSelectedNow(4);
    pump.onPump = nullptr;
    EXPECT_TRUE(nested);
    for (int gone : {0, 2, 5, 11, 17})
        EXPECT_FALSE(session.HasSeen(Url(gone))) << gone;
    // Every row still shown keeps its key, every deleted row lost it.
    std::set<std::string> shown;
    for (int i = 0; i < model.Count(); ++i) {
        shown.insert(model.Row(i).DetailsUrl);
        EXPECT_TRUE(session.HasSeen(model.Row(i).DetailsUrl));
    }
    EXPECT_EQ(session.SeenUrls.size(), qsizetype(shown.size()));
    EXPECT_EQ(status.back(), QString::number(model.Count()) + " items");
}

TEST_F(ResultsCommandsTest, OpenDetailsOpensOnlyTheTopmostSelectedRow)
{
    Fill(5);
    std::vector<std::string> opened;
    auto opener = [&](const std::string& url) {
        opened.push_back(url);
        return true;
    };
    OpenDetails(model, selection, opener);
    EXPECT_TRUE(opened.empty());

    SelectRows({3});
    SelectRows({1});  // selected later, but higher up
    SelectRows({4});
    OpenDetails(model, selection, opener);
    EXPECT_EQ(opened, std::vector<std::string>{Url(1)});

    // Errors of the opener are dropped.
    EXPECT_NO_THROW(OpenDetails(model, selection, [](const std::string&) -> bool {
        throw std::runtime_error("no browser");
    }));
}

TEST(NormaliseRowRangesTest, ClampsSortsAndJoins)
{
    using R = ResultsModel::RowRange;
    EXPECT_EQ(NormaliseRowRanges({{5, 7}, {0, 1}, {2, 3}, {6, 9}, {-3, -1}, {12, 20}}, 15),
              (std::vector<R>{{0, 3}, {5, 9}, {12, 14}}));
    EXPECT_TRUE(NormaliseRowRanges({{3, 2}, {20, 30}}, 10).empty());
}

} // namespace
