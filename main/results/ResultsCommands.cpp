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

// Walks rows 0..count-1 in windows, marking or unmarking each window, with a
// pump after each.
void MarkRows(ResultsModel& model, QItemSelectionModel& selection, IPump& pump, int rowsPerPump, bool select)
{
    const int count = model.Count();
    const quint64 epoch = model.RemovalEpoch();
    const int step = std::max(rowsPerPump, 1);
    for (int first = 0; first < count; first += step) {
        const int last = std::min(count, first + step) - 1;
        selection.select(MarkedSelection(model, selection.selection(), first, last, select),
                         QItemSelectionModel::ClearAndSelect);
        pump.Pump();
        if (model.RemovalEpoch() != epoch)
            return;
    }
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
    // then drop it, so that the removals below need not carry thousands of
    // selection ranges along.
    const int count = model.Count();
    std::vector<ResultsModel::RowRange> selected;
    for (const QItemSelectionRange& range : selection.selection())
        selected.emplace_back(range.top(), range.bottom());
    selected = NormaliseRowRanges(std::move(selected), count);
    if (!selected.empty())
        selection.clearSelection();

    // From the bottom up in windows of rowsPerPump rows, so the row numbers
    // of the windows still to go stay valid while rows go.
    const int step = std::max(rowsPerPump, 1);
    auto next = selected.rbegin();
    for (int last = count - 1; last >= 0; last -= step) {
        const int first = std::max(0, last - step + 1);
        std::vector<ResultsModel::RowRange> window;
        for (; next != selected.rend() && next->second >= first; ++next) {
            const int top = std::max(next->first, first);
            window.emplace_back(top, next->second);
            if (next->first < first) {
                next->second = first - 1;  // the rest belongs to the next window
                break;
            }
        }
        if (!window.empty()) {
            for (const auto& range : window)
                for (int row = range.first; row <= range.second; ++row)
                    session.Forget(model.Row(row).DetailsUrl);
            model.RemoveRowRanges(std::move(window));
        }
        const quint64 epoch = model.RemovalEpoch();
        pump.Pump();
        if (model.RemovalEpoch() != epoch)
            break;
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
