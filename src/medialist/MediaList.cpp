#include "MediaList.h"

#include <QItemSelectionModel>
#include <algorithm>

std::vector<tListType> MediaEntries;

const char *const MediaFileFilter =
    "All Media File|*.wma;*wmv;*.wm;*.asf;*.asx;*.avi;*.mpg;*.mpeg;*.mpa;*.dat;*.mp3;*.mp2;*.mp1;"
    "*.mpa;*.mpga;*.wav;*.vob;*.rmvb;*.jpg;*.jpeg;*.bmp"
    "|Windows Media Files (*.wma,*wmv,*.wm,*.asf,*.asx)|*.wma;*wmv;*.wm;*.asf;*.asx"
    "|AVI Files|*.avi"
    "|MPEG Files (*.mpg,*.mpeg,*.mpa,*.dat)|*.mpg;*.mpeg;*.mpa;*.dat"
    "|Real Files (*.rm,*.rmvb,*.ra)|*.rm;*.rmvb;*.ra"
    "|DVD Files (*.vob)|*.vob"
    "|VCD, SVCD Files (*.mpg,*.mpeg)|*.mpg;*.mpeg"
    "|Mp3 Audio Files (*.mp3,*.mp2,*.mp1,*.mpa,*.mpga)|*.mp3;*.mp2;*.mp1;*.mpa;*.mpga"
    "|Wave Files (*.wav)|*.wav"
    "|JPEG Image (*.jpg,*.jpeg)|*.jpg;*.jpeg"
    "|BMP Image (*.bmp)|*.bmp";

std::pair<std::string, std::string> SplitPath(const std::string &path) {
#ifdef _WIN32
    const size_t cut = path.find_last_of("\\:");
#else
    const size_t cut = path.find_last_of('/');
#endif
    if (cut == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

void deldata(int index, int count) {
    MediaEntries.erase(MediaEntries.begin() + index, MediaEntries.begin() + index + count);
}

TMediaListModel::TMediaListModel(QObject *parent) : QAbstractTableModel(parent) {
    // The list starts empty with every run of the program.
    MediaEntries.clear();
}

void TMediaListModel::setPictures(std::vector<QIcon> icons) {
    icons_ = std::move(icons);
    if (!rows_.empty())
        emit dataChanged(index(0, ColumnNum), index(rowCount() - 1, ColumnNum),
                         {Qt::DecorationRole});
}

int TMediaListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TMediaListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TMediaListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row &row = rows_[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case ColumnNum:
            return QString::number(index.row() + 1);
        case ColumnFile:
            return QString::fromLocal8Bit(row.file);
        case ColumnDirectory:
            return QString::fromLocal8Bit(row.folder);
        }
    } else if (role == Qt::DecorationRole && index.column() == ColumnNum) {
        if (row.picture >= 0 && static_cast<size_t>(row.picture) < icons_.size())
            return icons_[static_cast<size_t>(row.picture)];
    }
    return {};
}

QVariant TMediaListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const headers[ColumnCount] = {"Num", "File", "Directory"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(headers[section])
                                                 : QVariant();
}

Qt::ItemFlags TMediaListModel::flags(const QModelIndex &index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TMediaListModel::appendFiles(const std::vector<std::string> &paths) {
    if (paths.empty())
        return;
    const int n = rowCount();
    beginInsertRows({}, n, n + static_cast<int>(paths.size()) - 1);
    MediaEntries.reserve(MediaEntries.size() + paths.size());
    rows_.reserve(rows_.size() + paths.size());
    for (const std::string &path : paths) {
        MediaEntries.push_back({path});
        auto [folder, file] = SplitPath(path);
        rows_.push_back({std::move(file), std::move(folder), PicturePending, nextId_++});
    }
    endInsertRows();
}

void TMediaListModel::removeRowsAt(const std::vector<int> &rows) {
    if (rows.empty())
        return;
    // Contiguous runs, removed from the last so earlier indexes stay valid.
    std::vector<std::pair<int, int>> runs;
    for (int row : rows) {
        if (!runs.empty() && runs.back().second + 1 == row)
            runs.back().second = row;
        else
            runs.emplace_back(row, row);
    }
    // Few runs: remove each, so the view keeps its place. Many runs: compact
    // both arrays in one sweep, which stays linear however scattered they are.
    if (runs.size() <= 64) {
        for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
            beginRemoveRows({}, it->first, it->second);
            rows_.erase(rows_.begin() + it->first, rows_.begin() + it->second + 1);
            deldata(it->first, it->second - it->first + 1);
            endRemoveRows();
        }
    } else {
        beginResetModel();
        size_t kept = 0;
        size_t next = 0;
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (next < rows.size() && static_cast<size_t>(rows[next]) == i) {
                ++next;
                continue;
            }
            if (kept != i) {
                rows_[kept] = std::move(rows_[i]);
                MediaEntries[kept] = std::move(MediaEntries[i]);
            }
            ++kept;
        }
        rows_.resize(kept);
        MediaEntries.resize(kept);
        endResetModel();
    }
    // Every later row has a new number.
    if (const int first = rows.front(); first < rowCount())
        emit dataChanged(index(first, ColumnNum), index(rowCount() - 1, ColumnNum),
                         {Qt::DisplayRole});
}

int TMediaListModel::rowOfId(quint64 id) const {
    const auto it = std::lower_bound(rows_.begin(), rows_.end(), id,
                                     [](const Row &row, quint64 value) { return row.id < value; });
    return (it != rows_.end() && it->id == id) ? static_cast<int>(it - rows_.begin()) : -1;
}

void TMediaListModel::setPicture(int row, int picture) {
    rows_[static_cast<size_t>(row)].picture = picture;
    const QModelIndex cell = index(row, ColumnNum);
    emit dataChanged(cell, cell, {Qt::DecorationRole});
}

namespace {

QItemSelection allRows(const QAbstractItemModel &model) {
    const int rows = model.rowCount();
    if (rows == 0)
        return {};
    return QItemSelection(model.index(0, 0), model.index(rows - 1, model.columnCount() - 1));
}

} // namespace

void SelectAllRows(QItemSelectionModel &selection) {
    selection.select(allRows(*selection.model()),
                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void InvertRowSelection(QItemSelectionModel &selection) {
    selection.select(allRows(*selection.model()),
                     QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

std::vector<int> SelectedRows(const QItemSelectionModel &selection) {
    std::vector<int> rows;
    for (const QItemSelectionRange &range : selection.selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}
