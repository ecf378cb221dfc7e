// The commands with a real list view attached and a real message pump, as
// the main window runs them.
#include "ResultsCommands.h"
#include "ResultsFakes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTableView>
#include <QTimer>

#include <string>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

class EventPump : public IPump {
public:
    void Pump() override { QCoreApplication::processEvents(); }
};

LeadRecord Lead(int i)
{
    LeadRecord r;
    r.Category = "c" + std::to_string(i);
    r.DetailsUrl = "http://ads.example/" + std::to_string(i);
    return r;
}

TEST(ResultsViewTest, CommandsOnAShownListWithTheEventLoopRunning)
{
    ResultsModel model;
    QTableView view;
    view.setModel(&model);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.resize(600, 400);
    view.show();
    HarvestSession session;
    const int rows = 3000;
    for (int i = 0; i < rows; ++i) {
        model.AddRow(Lead(i));
        session.Remember(Lead(i).DetailsUrl);
    }
    view.scrollToBottom();
    EventPump pump;
    FakeMessageBox messages;
    QItemSelectionModel& selection = *view.selectionModel();

    SelectAll(model, selection, pump, 250);
    EXPECT_EQ(selection.selectedRows().size(), rows);
    ClearSelection(model, selection, pump, 250);
    EXPECT_TRUE(selection.selectedRows().isEmpty());

    // Every second row, deleted while the harvest timer keeps adding rows.
    QItemSelection every;
    for (int i = 0; i < rows; i += 2)
        every.select(model.index(i, 0), model.index(i, 7));
    selection.select(every, QItemSelectionModel::Select);
    int added = 0;
    QTimer harvest;
    QObject::connect(&harvest, &QTimer::timeout, [&]() { model.AddRow(Lead(rows + added++)); });
    harvest.start(0);
    QString status;
    DeleteSelected(model, selection, session, pump, messages, [&](const QString& t) { status = t; }, 100);
    harvest.stop();

    ASSERT_EQ(model.Count(), rows / 2 + added);
    for (int i = 0; i < rows / 2; ++i)
        ASSERT_EQ(model.Row(i).DetailsUrl, Lead(2 * i + 1).DetailsUrl) << i;
    EXPECT_EQ(session.SeenUrls.size(), rows / 2);
    // Written before the last pump, in which the timer may add one more row.
    ASSERT_TRUE(status.endsWith(" items")) << status.toStdString();
    const int shown = status.chopped(6).toInt();
    EXPECT_GE(shown, rows / 2);
    EXPECT_LE(shown, model.Count());
    EXPECT_EQ(view.model()->rowCount(), model.Count());

    DeleteAll(model, session, pump, messages, [&](const QString& t) { status = t; });
    EXPECT_EQ(status, "0 items");
    EXPECT_EQ(view.model()->rowCount(), 0);
}

} // namespace
