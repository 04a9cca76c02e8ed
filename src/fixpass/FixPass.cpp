#include "fixpass/FixPass.h"

#include "fixpass/PassView.h"
#include "medialist/MediaList.h"
#include "system/Errors.h"
#include "system/FileErrors.h"
#include "system/Files.h"
#include "system/Random.h"

#include <QCoreApplication>
#include <limits>

bool FixRunning = false;
std::int64_t DoneBytes = 0;

std::int64_t MediaFileSize(const std::string &path) {
    std::int64_t size = 0;
    if (int err = mendora::files::fileSize(path, size))
        throw mendora::IoError(mendora::ioCodeFromSystemError(err, path));
    return size;
}

namespace mendora {

using Bar = PassView::Bar;

BarScale BarScale::forMaximum(std::int64_t maximum) {
    BarScale scale;
    while ((maximum >> scale.shift) > std::numeric_limits<int>::max())
        ++scale.shift;
    return scale;
}

void randomDigits(QString &text, int count) {
    text.resize(count);
    for (QChar &c : text)
        c = QChar(u'0' + randomBelow(10));
}

CheckPass::CheckPass(MediaListModel &list, PassView &view, QObject *parent)
    : QObject(parent), List(list), View(view) {
    // Rows deleted while the pass serves messages: checked at the next step.
    const auto removed = [this] { RowsRemoved = true; };
    connect(&List, &QAbstractItemModel::rowsRemoved, this, removed);
    connect(&List, &QAbstractItemModel::modelReset, this, removed);
}

std::string CheckPass::PathOf(int row) const {
    // The "Directory" and "File" texts of the row together.
    return std::string(List.fullPath(row));
}

void CheckPass::Finish() {
    FixRunning = false;
    View.hidePanel();
    Running = false;
}

void CheckPass::RunCheckPass() {
    if (Running)
        return;
    Running = true;
    View.setFileLabel(std::string());
    FixRunning = true;
    // The rows of this pass: those listed now, by id, so that rows deleted or
    // added while it runs do not disturb it.
    PassRows.clear();
    PassRows.reserve(static_cast<std::size_t>(List.rowCount()));
    for (int row = 0; row < List.rowCount(); ++row)
        PassRows.push_back(List.rowId(row));
    View.showPanel();
    try {
        std::int64_t overall = 0;
        View.setBarPosition(Bar::File, 0);
        View.setBarPosition(Bar::Overall, 0);
        // Measuring serves no messages, so every row is still there.
        for (quint64 id : PassRows)
            overall += MediaFileSize(PathOf(List.rowOfId(id)));
        OverallScale = BarScale::forMaximum(overall);
        View.setBarMaximum(Bar::Overall, OverallScale(overall));
        for (std::size_t i = 0; i < PassRows.size(); ++i) {
            if (List.rowOfId(PassRows[i]) < 0)
                continue;
            View.setBarPosition(Bar::File, 0);
            CheckOneFile(i);
            if (!FixRunning)
                break;
            if (const int row = List.rowOfId(PassRows[i]); row >= 0)
                List.setPicture(row, PictureDone);
        }
    } catch (...) {
        Finish();
        throw;
    }
    Finish();
}

void CheckPass::CheckOneFile(std::size_t index) {
    CurrentRow = PassRows[index];
    const std::string path = PathOf(List.rowOfId(CurrentRow));
    View.setFileLabel(path);
    if (index == 0)
        DoneBytes = 0;
    const std::int64_t size = MediaFileSize(path);
    const BarScale fileScale = BarScale::forMaximum(size);
    View.setBarMaximum(Bar::File, fileScale(size));
    RowsRemoved = false;
    const std::int64_t steps = size / 10;
    for (std::int64_t s = 0; s <= steps; ++s) {
        if (!FixRunning)
            break;
        if (s % 2 == 0) {
            QCoreApplication::processEvents();
            // A deleted file's turn ends here, unmarked.
            if (RowsRemoved) {
                RowsRemoved = false;
                if (List.rowOfId(CurrentRow) < 0)
                    break;
            }
        }
        View.setBarPosition(Bar::File, fileScale(10 * s));
        View.setBarPosition(Bar::Overall, OverallScale(DoneBytes + 10 * s));
    }
    DoneBytes += size;
}

} // namespace mendora
