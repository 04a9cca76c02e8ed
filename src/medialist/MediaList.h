// The media file list: the entry array, which holds everything about each
// listed file, and the model through which the list view shows it. Entry i
// is row i at all times.
#pragma once

#include "mediacheck/Verdict.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QItemSelectionModel;

// One listed file: its full path exactly as the open dialog returned it, and
// what its row shows beside the path.
struct tListType {
    std::string FullPath;
    int picture = 0; // index into IcoList
    quint64 id = 0;  // see MediaListModel::rowId
    // The finding of the last check; nothing until a check has finished.
    std::optional<mendora::mediacheck::Finding> finding;
};

// The program-wide entry array, in row order.
extern std::vector<tListType> MediaEntries;

// Removes `count` entries from `index` on from MediaEntries, closing the gap.
void deldata(int index, int count = 1);

namespace mendora {

// Pictures of IcoList that rows carry: the pending disc, and for a checked
// file its verdict's (the check mark of an intact file, the cross of a
// damaged or unreadable one, the grey bar of one that was not judged).
enum MediaPicture {
    PicturePending = 5,
    PictureDone = 6,
    PictureDamaged = 8,
    PictureNotChecked = 9
};

// The file-type filter of the Add File dialog.
extern const char *const kMediaFileFilter;

// True when a file name matches one of the filter's "All Media File"
// patterns (letters without regard to case), as the files of a folder must.
bool isMediaFileName(std::string_view name);

class MediaListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColumnNum, ColumnFile, ColumnDirectory, ColumnResult, ColumnCount };

    // The list starts empty: the entry array is cleared.
    explicit MediaListModel(QObject *parent = nullptr);

    // The row pictures, by IcoList index; a missing index shows no picture.
    void setPictures(std::vector<QIcon> icons);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Appends one entry per path, numbered on, with the pending picture.
    void appendFiles(const std::vector<std::string> &paths);
    // Removes the rows (ascending, without repeats) in one batch.
    void removeRowsAt(const std::vector<int> &rows);

    // Every row has an id that no other row of this run ever gets, growing
    // in row order; it tells whether a row is still listed and where.
    quint64 rowId(int row) const { return entry(row).id; }
    // The row that has the id now, or -1 when it was deleted.
    int rowOfId(quint64 id) const;

    std::string_view fullPath(int row) const { return entry(row).FullPath; }
    // The "File" and "Directory" texts: the path split at its last separator.
    std::string_view fileText(int row) const;
    std::string_view directoryText(int row) const;
    int picture(int row) const { return entry(row).picture; }
    void setPicture(int row, int picture);
    // Keeps the check's finding for the row, which then shows its verdict's
    // picture, its summary in the "Result" column and its details as tooltip.
    void setFinding(int row, mediacheck::Finding finding);
    // The row's finding, or null before a check has finished.
    const mediacheck::Finding *finding(int row) const {
        const auto &f = entry(row).finding;
        return f ? &*f : nullptr;
    }
    // The "Result" column's text and the row's tooltip; empty before a check.
    std::string_view result(int row) const;
    std::string_view details(int row) const;

    // The picture that shows a verdict.
    static int pictureOf(mediacheck::Verdict verdict);

private:
    const tListType &entry(int row) const { return MediaEntries[static_cast<std::size_t>(row)]; }

    quint64 nextId_ = 1;
    std::vector<QIcon> icons_;
};

// The notice for folders whose files could not be added because they could
// not be read: the first five by name, then how many more.
std::string unreadableFoldersNotice(const std::vector<std::string> &folders);

// The selection commands of the list, on whole rows.
void selectAllRows(QItemSelectionModel &selection);
void invertRowSelection(QItemSelectionModel &selection);
// Selected rows, ascending, without repeats.
std::vector<int> selectedRows(const QItemSelectionModel &selection);

} // namespace mendora
