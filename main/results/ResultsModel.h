#pragma once
// The rows of the results list: one LeadRecord per harvested ad, shown in
// the eight columns of kLeadColumnCaptions.

#include "LeadRecord.h"

#include <QAbstractTableModel>

#include <utility>
#include <vector>

namespace tessaly {

class ResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Inclusive row span [first, last].
    using RowRange = std::pair<int, int>;

    explicit ResultsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    int Count() const { return int(rows_.size()); }
    const LeadRecord& Row(int row) const { return rows_[std::size_t(row)]; }

    // Appends one row; returns the number of rows now.
    int AddRow(const LeadRecord& record);

    // Removes rows first..first+count-1 (clamped to the rows that exist).
    void RemoveRows(int first, int count);

    // Removes every row in `ranges` (any order, may touch or overlap) in one
    // pass over the rows, so removing many scattered rows stays linear.
    // Few ranges are announced one by one; many are announced as a reset,
    // because views and selections update per announced range.
    void RemoveRowRanges(std::vector<RowRange> ranges);

    void Clear();

    // Every row gets an id when it is added, never reused. Rows are only
    // appended at the end and removed, never reordered, so ids ascend with
    // the row number: a command that pumps messages (and so may see rows
    // vanish or appear) keeps ids rather than row numbers and finds their
    // rows again by binary search.
    quint64 RowId(int row) const { return ids_[std::size_t(row)]; }
    // The row holding `id`, or -1 when it is gone.
    int RowOfId(quint64 id) const;
    // The first row whose id is `id` or larger (Count() when none).
    int FirstRowFromId(quint64 id) const;

private:
    std::vector<LeadRecord> rows_;
    std::vector<quint64> ids_;
    quint64 nextId_ = 1;
};

// Normalises ranges: clamps to [0, count), sorts, merges overlapping and
// touching ones. Result ascending.
std::vector<ResultsModel::RowRange> NormaliseRowRanges(std::vector<ResultsModel::RowRange> ranges, int count);

} // namespace tessaly
