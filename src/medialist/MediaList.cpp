#include "medialist/MediaList.h"

#include "qttext/QtText.h"
#include "system/Files.h"
#include "system/Text.h"

#include <QItemSelectionModel>
#include <algorithm>
#include <string>
#include <vector>

std::vector<tListType> MediaEntries;

void deldata(int index, int count) {
    MediaEntries.erase(MediaEntries.begin() + index, MediaEntries.begin() + index + count);
}

namespace mendora {

const char *const kMediaFileFilter =
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

bool isMediaFileName(std::string_view name) {
    // The patterns of the filter's first row.
    static const std::vector<std::string> patterns = [] {
        std::vector<std::string> list;
        const std::string_view filter = kMediaFileFilter;
        const std::size_t start = filter.find('|') + 1;
        const std::string_view row = filter.substr(start, filter.find('|', start) - start);
        for (std::size_t from = 0; from <= row.size();) {
            const std::size_t end = std::min(row.find(';', from), row.size());
            list.emplace_back(row.substr(from, end - from));
            from = end + 1;
        }
        return list;
    }();
    for (const std::string &pattern : patterns)
        if (wildcardMatch(name, pattern))
            return true;
    return false;
}

MediaListModel::MediaListModel(QObject *parent) : QAbstractTableModel(parent) {
    // The list starts empty with every run of the program.
    MediaEntries.clear();
}

void MediaListModel::setPictures(std::vector<QIcon> icons) {
    icons_ = std::move(icons);
    if (rowCount() > 0)
        emit dataChanged(index(0, ColumnNum), index(rowCount() - 1, ColumnNum),
                         {Qt::DecorationRole});
}

int MediaListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(MediaEntries.size());
}

int MediaListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

std::string_view MediaListModel::fileText(int row) const {
    return files::splitPath(entry(row).FullPath).second;
}

std::string_view MediaListModel::directoryText(int row) const {
    return files::splitPath(entry(row).FullPath).first;
}

QVariant MediaListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case ColumnNum:
            return QString::number(index.row() + 1);
        case ColumnFile:
            return qtText(fileText(index.row()));
        case ColumnDirectory:
            return qtText(directoryText(index.row()));
        case ColumnResult:
            return qtText(result(index.row()));
        }
    } else if (role == Qt::ToolTipRole) {
        const std::string_view text = details(index.row());
        if (!text.empty())
            return qtText(text);
    } else if (role == Qt::DecorationRole && index.column() == ColumnNum) {
        const int picture = entry(index.row()).picture;
        if (picture >= 0 && static_cast<std::size_t>(picture) < icons_.size())
            return icons_[static_cast<std::size_t>(picture)];
    }
    return {};
}

QVariant MediaListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const headers[ColumnCount] = {"Num", "File", "Directory", "Result"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(headers[section])
                                                 : QVariant();
}

Qt::ItemFlags MediaListModel::flags(const QModelIndex &index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void MediaListModel::appendFiles(const std::vector<std::string> &paths) {
    if (paths.empty())
        return;
    const int n = rowCount();
    beginInsertRows({}, n, n + static_cast<int>(paths.size()) - 1);
    MediaEntries.reserve(MediaEntries.size() + paths.size());
    for (const std::string &path : paths)
        MediaEntries.push_back({path, PicturePending, nextId_++, std::nullopt});
    endInsertRows();
}

void MediaListModel::removeRowsAt(const std::vector<int> &rows) {
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
    // the array in one sweep, which stays linear however scattered they are.
    if (runs.size() <= 64) {
        for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
            beginRemoveRows({}, it->first, it->second);
            deldata(it->first, it->second - it->first + 1);
            endRemoveRows();
        }
    } else {
        beginResetModel();
        std::size_t kept = 0;
        std::size_t next = 0;
        for (std::size_t i = 0; i < MediaEntries.size(); ++i) {
            if (next < rows.size() && static_cast<std::size_t>(rows[next]) == i) {
                ++next;
                continue;
            }
            if (kept != i)
                MediaEntries[kept] = std::move(MediaEntries[i]);
            ++kept;
        }
        MediaEntries.resize(kept);
        endResetModel();
    }
    // Every later row has a new number.
    if (const int first = rows.front(); first < rowCount())
        emit dataChanged(index(first, ColumnNum), index(rowCount() - 1, ColumnNum),
                         {Qt::DisplayRole});
}

int MediaListModel::rowOfId(quint64 id) const {
    const auto it =
        std::lower_bound(MediaEntries.begin(), MediaEntries.end(), id,
                         [](const tListType &entry, quint64 value) { return entry.id < value; });
    return (it != MediaEntries.end() && it->id == id) ? static_cast<int>(it - MediaEntries.begin())
                                                      : -1;
}

void MediaListModel::setPicture(int row, int picture) {
    MediaEntries[static_cast<std::size_t>(row)].picture = picture;
    const QModelIndex cell = index(row, ColumnNum);
    emit dataChanged(cell, cell, {Qt::DecorationRole});
}

int MediaListModel::pictureOf(mediacheck::Verdict verdict) {
    switch (verdict) {
    case mediacheck::Verdict::Intact:
        return PictureDone;
    case mediacheck::Verdict::Damaged:
    case mediacheck::Verdict::Unreadable:
        return PictureDamaged;
    case mediacheck::Verdict::Unsupported:
        return PictureNotChecked;
    }
    return PictureNotChecked;
}

void MediaListModel::setFinding(int row, mediacheck::Finding finding) {
    tListType &e = MediaEntries[static_cast<std::size_t>(row)];
    e.picture = pictureOf(finding.verdict);
    e.finding = std::move(finding);
    emit dataChanged(index(row, ColumnNum), index(row, ColumnResult),
                     {Qt::DisplayRole, Qt::ToolTipRole, Qt::DecorationRole});
}

std::string_view MediaListModel::result(int row) const {
    const auto &f = entry(row).finding;
    return f ? std::string_view(f->summary) : std::string_view();
}

std::string_view MediaListModel::details(int row) const {
    const auto &f = entry(row).finding;
    return f ? std::string_view(f->details) : std::string_view();
}

std::string unreadableFoldersNotice(const std::vector<std::string> &folders) {
    constexpr std::size_t kNamed = 5;
    const std::size_t n = folders.size();
    std::string text =
        n == 1 ? "1 folder could not be read; its files were not added:"
               : std::to_string(n) + " folders could not be read; their files were not added:";
    for (std::size_t i = 0; i < std::min(n, kNamed); ++i)
        text += "\n" + folders[i];
    if (n > kNamed)
        text += "\nand " + std::to_string(n - kNamed) + " more";
    return text;
}

namespace {

QItemSelection allRows(const QAbstractItemModel &model) {
    const int rows = model.rowCount();
    if (rows == 0)
        return {};
    return QItemSelection(model.index(0, 0), model.index(rows - 1, model.columnCount() - 1));
}

} // namespace

void selectAllRows(QItemSelectionModel &selection) {
    selection.select(allRows(*selection.model()),
                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void invertRowSelection(QItemSelectionModel &selection) {
    selection.select(allRows(*selection.model()),
                     QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

std::vector<int> selectedRows(const QItemSelectionModel &selection) {
    std::vector<int> rows;
    for (const QItemSelectionRange &range : selection.selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace mendora
