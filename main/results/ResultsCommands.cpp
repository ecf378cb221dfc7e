#include "ResultsCommands.h"

#include <algorithm>
#include <tuple>
#include <vector>

namespace tessaly {

namespace {

struct Span {
    int top, bottom, left, right;
};

// The selection with rows first..last marked (select) or unmarked. Built
// afresh instead of merged by the selection model, whose merge and change
// notification grow with the square of the number of ranges; ranges that
// touch are joined, so a walk in windows leaves one range, not one per window.
QItemSelection MarkedSelection(const ResultsModel& model, const QItemSelection& current, int first, int last,
                               bool select)
{
    std::vector<Span> spans;
    for (const QItemSelectionRange& r : current) {
        if (!r.isValid())
            continue;
        if (r.top() < first)
            spans.push_back({r.top(), std::min(r.bottom(), first - 1), r.left(), r.right()});
        if (r.bottom() > last)
            spans.push_back({std::max(r.top(), last + 1), r.bottom(), r.left(), r.right()});
    }
    if (select)
        spans.push_back({first, last, 0, model.columnCount() - 1});
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
        return std::tie(a.left, a.right, a.top) < std::tie(b.left, b.right, b.top);
    });
    std::vector<Span> joined;
    for (const Span& s : spans) {
        Span* prev = joined.empty() ? nullptr : &joined.back();
        if (prev && prev->left == s.left && prev->right == s.right && s.top <= prev->bottom + 1)
            prev->bottom = std::max(prev->bottom, s.bottom);
        else
            joined.push_back(s);
    }
    QItemSelection out;
    out.reserve(qsizetype(joined.size()));
    for (const Span& s : joined)
        out.append(QItemSelectionRange(model.index(s.top, s.left), model.index(s.bottom, s.right)));
    return out;
}

// Walks the rows present at the start in windows, marking or unmarking
// each window, with a pump after each. Positions are kept as row ids, so
// rows removed during a pump are skipped and rows appended are left out.
void MarkRows(ResultsModel& model, QItemSelectionModel& selection, IPump& pump, int rowsPerPump, bool select)
{
    const int count = model.Count();
    if (count == 0)
        return;
    const quint64 lastId = model.RowId(count - 1);
    quint64 nextId = model.RowId(0);
    const int step = std::max(rowsPerPump, 1);
    for (;;) {
        const int first = model.FirstRowFromId(nextId);
        const int end = model.FirstRowFromId(lastId + 1);
        if (first >= end)
            return;
        const int last = std::min(end, first + step) - 1;
        selection.select(MarkedSelection(model, selection.selection(), first, last, select),
                         QItemSelectionModel::ClearAndSelect);
        nextId = model.RowId(last) + 1;
        pump.Pump();
    }
}

std::vector<ResultsModel::RowRange> SelectedRanges(const QItemSelectionModel& selection)
{
    std::vector<ResultsModel::RowRange> ranges;
    for (const QItemSelectionRange& range : selection.selection())
        ranges.emplace_back(range.top(), range.bottom());
    return ranges;
}

} // namespace

QString ItemsText(int count)
{
    return QString::number(count) + QStringLiteral(" items");
}

void SelectAll(ResultsModel& model, QItemSelectionModel& selection, IPump& pump, int rowsPerPump)
{
    MarkRows(model, selection, pump, rowsPerPump, true);
}

void ClearSelection(ResultsModel& model, QItemSelectionModel& selection, IPump& pump, int rowsPerPump)
{
    MarkRows(model, selection, pump, rowsPerPump, false);
}

void DeleteSelected(ResultsModel& model, QItemSelectionModel& selection, HarvestSession& session, IPump& pump,
                    IMessageBox& messages, const StatusText& setSecondary, int rowsPerPump)
{
    if (messages.Show(QStringLiteral("Are you sure to delete selected items?"), IMessageBox::Warning,
                      IMessageBox::OkCancel) == IMessageBox::AnswerCancel)
        return;

    // What the user confirmed is the selection of this moment: take it now,
    // as row ids, then drop it, so that the removals below need not carry
    // thousands of selection ranges along.
    std::vector<quint64> targets;
    for (const auto& range : NormaliseRowRanges(SelectedRanges(selection), model.Count()))
        for (int row = range.first; row <= range.second; ++row)
            targets.push_back(model.RowId(row));
    if (!targets.empty())
        selection.clearSelection();

    // From the bottom up, a window of rows at a time with a pump after each.
    // Rows deleted by someone else during a pump are simply not found again.
    const std::size_t step = std::size_t(std::max(rowsPerPump, 1));
    while (!targets.empty()) {
        const std::size_t from = targets.size() > step ? targets.size() - step : 0;
        std::vector<ResultsModel::RowRange> window;
        for (std::size_t i = from; i < targets.size(); ++i) {
            const int row = model.RowOfId(targets[i]);
            if (row < 0)
                continue;
            session.Forget(model.Row(row).DetailsUrl);
            window.emplace_back(row, row);
        }
        targets.resize(from);
        model.RemoveRowRanges(std::move(window));
        pump.Pump();
    }

    if (setSecondary)
        setSecondary(ItemsText(model.Count()));
    pump.Pump();
}

void DeleteAll(ResultsModel& model, HarvestSession& session, IPump& pump, IMessageBox& messages,
               const StatusText& setSecondary)
{
    if (messages.Show(QStringLiteral("Are you sure to delete all?"), IMessageBox::Warning, IMessageBox::OkCancel) ==
        IMessageBox::AnswerCancel)
        return;
    session.SeenUrls.clear();
    model.Clear();
    if (setSecondary)
        setSecondary(ItemsText(model.Count()));
    pump.Pump();
}

void OpenDetails(const ResultsModel& model, const QItemSelectionModel& selection, const UrlOpener& open)
{
    try {
        int top = -1;
        for (const QItemSelectionRange& range : selection.selection()) {
            if (range.top() < model.Count() && (top < 0 || range.top() < top))
                top = range.top();
        }
        if (top < 0 || !open)
            return;
        open(model.Row(top).DetailsUrl);
    } catch (...) {
        // Opening a browser is a convenience; a failure is not reported.
    }
}

} // namespace tessaly
