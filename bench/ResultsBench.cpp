// The results list at the size of a long harvest: 100,000 rows.
#include "ResultsCommands.h"
#include "ResultsModel.h"

#include <benchmark/benchmark.h>

#include <QItemSelectionModel>

#include <string>

using namespace tessaly;

namespace {

constexpr int kRows = 100000;

class NoPump : public IPump {
public:
    void Pump() override {}
};

class AlwaysOk : public IMessageBox {
public:
    Answer Show(const QString&, Kind, Buttons) override { return AnswerOk; }
};

LeadRecord Lead(int i)
{
    LeadRecord r;
    r.Category = "Jobs";
    r.Location = "Toronto";
    r.Headline = "Looking for a part-time assistant, flexible hours";
    r.Description = "We are a small office downtown and need help with filing and phones.";
    r.Emails = "office@example.com";
    r.Phones = "416-555-0100";
    r.DatePosted = "12/11/2026";
    r.DetailsUrl = "http://toronto.example.org/jobs/" + std::to_string(i) + ".html";
    return r;
}

void Fill(ResultsModel& model, HarvestSession& session, int rows = kRows)
{
    for (int i = 0; i < rows; ++i) {
        model.AddRow(Lead(i));
        session.Remember(model.Row(i).DetailsUrl);
    }
}

void BM_AddRows(benchmark::State& state)
{
    for (auto _ : state) {
        ResultsModel model;
        for (int i = 0; i < kRows; ++i)
            model.AddRow(Lead(i));
        benchmark::DoNotOptimize(model.Count());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_AddRows)->Unit(benchmark::kMillisecond);

void BM_SelectAll(benchmark::State& state)
{
    ResultsModel model;
    HarvestSession session;
    Fill(model, session);
    QItemSelectionModel selection(&model);
    NoPump pump;
    for (auto _ : state) {
        selection.clearSelection();
        SelectAll(model, selection, pump);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond);

void BM_DeleteAll(benchmark::State& state)
{
    NoPump pump;
    AlwaysOk ok;
    for (auto _ : state) {
        state.PauseTiming();
        ResultsModel model;
        HarvestSession session;
        Fill(model, session);
        state.ResumeTiming();
        DeleteAll(model, session, pump, ok, {});
        benchmark::DoNotOptimize(model.Count());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_DeleteAll)->Unit(benchmark::kMillisecond);

// Scattered rows, one selection range each: the case that turns quadratic
// when rows go one at a time. Run at two sizes to show the growth.
void BM_DeleteEverySecondRow(benchmark::State& state)
{
    const int rows = int(state.range(0));
    NoPump pump;
    AlwaysOk ok;
    for (auto _ : state) {
        state.PauseTiming();
        ResultsModel model;
        HarvestSession session;
        Fill(model, session, rows);
        QItemSelectionModel selection(&model);
        QItemSelection every;
        for (int i = 0; i < rows; i += 2)
            every.select(model.index(i, 0), model.index(i, model.columnCount() - 1));
        selection.select(every, QItemSelectionModel::Select);
        state.ResumeTiming();
        DeleteSelected(model, selection, session, pump, ok, {});
        benchmark::DoNotOptimize(model.Count());
    }
    state.SetItemsProcessed(state.iterations() * rows / 2);
}
BENCHMARK(BM_DeleteEverySecondRow)->Arg(kRows / 2)->Arg(kRows)->Unit(benchmark::kMillisecond);

} // namespace
