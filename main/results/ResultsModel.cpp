#include "ResultsModel.h"

#include <algorithm>

namespace tessaly {

namespace {

// Above this many ranges in one removal, a model reset is cheaper for
// attached views and selections than one announcement per range.
constexpr std::size_t kMaxAnnouncedRanges = 16;

const std::string& Field(const LeadRecord& r, int column)
{
    switch (column) {
    case 0: return r.Category;
    case 1: return r.Location;
    case 2: return r.Headline;
    case 3: return r.Description;
    case 4: return r.Emails;
    case 5: return r.Phones;
    case 6: return r.DatePosted;
    default: return r.DetailsUrl;
    }
}

} // namespace

std::vector<ResultsModel::RowRange> NormaliseRowRanges(std::vector<ResultsModel::RowRange> ranges, int count)
{
    std::vector<ResultsModel::RowRange> out;
    for (auto& r : ranges) {
        r.first = std::max(r.first, 0);
        r.second = std::min(r.second, count - 1);
    }
    ranges.erase(std::remove_if(ranges.begin(), ranges.end(), [](const auto& r) { return r.first > r.second; }),
                 ranges.end());
    std::sort(ranges.begin(), ranges.end());
    for (const auto& r : ranges) {
        if (!out.empty() && r.first <= out.back().second + 1)
            out.back().second = std::max(out.back().second, r.second);
        else
            out.push_back(r);
    }
    return out;
}

ResultsModel::ResultsModel(QObject* parent) : QAbstractTableModel(parent) {}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int ResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(kLeadColumnCaptions.size());
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count() || index.column() >= columnCount())
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    return QString::fromStdString(Field(Row(index.row()), index.column()));
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= int(kLeadColumnCaptions.size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(kLeadColumnCaptions[std::size_t(section)]);
}

int ResultsModel::AddRow(const LeadRecord& record)
{
    const int row = Count();
    beginInsertRows(QModelIndex(), row, row);
    rows_.push_back(record);
    ids_.push_back(nextId_++);
    endInsertRows();
    return Count();
}

void ResultsModel::RemoveRows(int first, int count)
{
    if (count <= 0)
        return;
    RemoveRowRanges({{first, first + count - 1}});
}

void ResultsModel::RemoveRowRanges(std::vector<RowRange> ranges)
{
    ranges = NormaliseRowRanges(std::move(ranges), Count());
    if (ranges.empty())
        return;

    if (ranges.size() <= kMaxAnnouncedRanges) {
        // From the bottom, so the row numbers of the ranges still to go stay valid.
        for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
            beginRemoveRows(QModelIndex(), it->first, it->second);
            rows_.erase(rows_.begin() + it->first, rows_.begin() + it->second + 1);
            ids_.erase(ids_.begin() + it->first, ids_.begin() + it->second + 1);
            endRemoveRows();
        }
        return;
    }

    beginResetModel();
    std::size_t write = std::size_t(ranges.front().first);
    std::size_t read = write;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        read = std::size_t(ranges[i].second) + 1;
        const std::size_t keepEnd = i + 1 < ranges.size() ? std::size_t(ranges[i + 1].first) : rows_.size();
        for (; read < keepEnd; ++read, ++write) {
            rows_[write] = std::move(rows_[read]);
            ids_[write] = ids_[read];
        }
    }
    rows_.resize(write);
    ids_.resize(write);
    endResetModel();
}

void ResultsModel::Clear()
{
    beginResetModel();
    std::vector<LeadRecord>().swap(rows_);
    std::vector<quint64>().swap(ids_);
    endResetModel();
}

int ResultsModel::FirstRowFromId(quint64 id) const
{
    return int(std::lower_bound(ids_.begin(), ids_.end(), id) - ids_.begin());
}

int ResultsModel::RowOfId(quint64 id) const
{
    const int row = FirstRowFromId(id);
    return row < Count() && ids_[std::size_t(row)] == id ? row : -1;
}

} // namespace tessaly
