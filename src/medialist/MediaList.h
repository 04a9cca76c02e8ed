// The media file list: the entry array and the rows of the list view, kept in
// step by one model. Entry i belongs to row i at all times.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <string>
#include <utility>
#include <vector>

class QItemSelectionModel;

// One listed file: its full path exactly as the open dialog returned it.
struct tListType {
    std::string FullPath;
};

// The program-wide entry array, in row order.
extern std::vector<tListType> MediaEntries;

// Pictures of IcoList that rows carry.
enum MediaPicture { PicturePending = 5, PictureDone = 6 };

// The file-type filter of the Add File dialog.
extern const char *const MediaFileFilter;

// Folder part (up to and including the last path separator) and file-name
// part of a path; folder + file gives the path back.
std::pair<std::string, std::string> SplitPath(const std::string &path);

// Removes `count` entries from `index` on from MediaEntries, closing the gap.
void deldata(int index, int count = 1);

class TMediaListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColumnNum, ColumnFile, ColumnDirectory, ColumnCount };

    explicit TMediaListModel(QObject *parent = nullptr);

    // The row pictures, by IcoList index; a missing index shows no picture.
    void setPictures(std::vector<QIcon> icons);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Appends one entry and one row per path, numbered on, with the pending picture.
    void appendFiles(const std::vector<std::string> &paths);
    // Removes the rows (ascending, without repeats) and their entries in one batch.
    void removeRowsAt(const std::vector<int> &rows);

    // Every row has an id that no other row of this run ever gets, growing
    // in row order; it tells whether a row is still listed and where.
    quint64 rowId(int row) const { return rows_[static_cast<size_t>(row)].id; }
    // The row that has the id now, or -1 when it was deleted.
    int rowOfId(quint64 id) const;

    const std::string &fileText(int row) const { return rows_[row].file; }
    const std::string &directoryText(int row) const { return rows_[row].folder; }
    int picture(int row) const { return rows_[row].picture; }
    void setPicture(int row, int picture);

private:
    struct Row {
        std::string file;
        std::string folder;
        int picture;
        quint64 id;
    };
    std::vector<Row> rows_;
    quint64 nextId_ = 1;
    std::vector<QIcon> icons_;
};

// The selection commands of the list, on whole rows.
void SelectAllRows(QItemSelectionModel &selection);
void InvertRowSelection(QItemSelectionModel &selection);
// Selected rows, ascending, without repeats.
std::vector<int> SelectedRows(const QItemSelectionModel &selection);
