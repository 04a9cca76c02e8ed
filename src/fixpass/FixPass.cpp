#include "FixPass.h"

#include "Errors.h"
#include "FileErrors.h"
#include "Files.h"
#include "LeanProgressBar.h"
#include "MediaList.h"
#include "Random.h"

#include <QCoreApplication>
#include <QLabel>
#include <QWidget>
#include <limits>

bool FixRunning = false;
std::int64_t DoneBytes = 0;

std::int64_t MediaFileSize(const std::string &path) {
    std::int64_t size = 0;
    if (int err = mendora::files::fileSize(path, size))
        throw mendora::IoError(mendora::ioCodeFromSystemError(err, path));
    return size;
}

TBarScale TBarScale::For(std::int64_t maximum) {
    TBarScale scale;
    while ((maximum >> scale.shift) > std::numeric_limits<int>::max())
        ++scale.shift;
    return scale;
}

void RandomDigits(QString &text, int count) {
    text.resize(count);
    for (QChar &c : text)
        c = QChar(u'0' + mendora::Random(10));
}

TCheckPass::TCheckPass(TMediaListModel &list, Controls controls, QObject *parent)
    : QObject(parent), List(list), C(controls) {
    // Rows deleted while the pass serves messages: checked at the next step.
    const auto removed = [this] { RowsRemoved = true; };
    connect(&List, &QAbstractItemModel::rowsRemoved, this, removed);
    connect(&List, &QAbstractItemModel::modelReset, this, removed);
}

std::string TCheckPass::PathOf(int row) const {
    return List.directoryText(row) + List.fileText(row);
}

void TCheckPass::Finish() {
    FixRunning = false;
    C.Panel1->hide();
    Active_ = false;
}

void TCheckPass::RunCheckPass() {
    if (Active_)
        return;
    Active_ = true;
    C.FilenameLabel->setText(QString());
    FixRunning = true;
    // The rows of this pass: those listed now, by id, so that rows deleted or
    // added while it runs do not disturb it.
    PassRows.clear();
    PassRows.reserve(static_cast<size_t>(List.rowCount()));
    for (int row = 0; row < List.rowCount(); ++row)
        PassRows.push_back(List.rowId(row));
    C.Panel1->show();
    try {
        std::int64_t overall = 0;
        C.ProgressBar1->setPosition(0);
        C.ProgressBar2->setPosition(0);
        // Measuring serves no messages, so every row is still there.
        for (quint64 id : PassRows)
            overall += MediaFileSize(PathOf(List.rowOfId(id)));
        OverallScale = TBarScale::For(overall);
        C.ProgressBar2->setMaximum(OverallScale(overall));
        for (size_t i = 0; i < PassRows.size(); ++i) {
            if (List.rowOfId(PassRows[i]) < 0)
                continue;
            C.ProgressBar1->setPosition(0);
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

void TCheckPass::CheckOneFile(size_t index) {
    CurrentRow = PassRows[index];
    const std::string path = PathOf(List.rowOfId(CurrentRow));
    C.FilenameLabel->setText(QString::fromLocal8Bit(path));
    if (index == 0)
        DoneBytes = 0;
    const std::int64_t size = MediaFileSize(path);
    const TBarScale fileScale = TBarScale::For(size);
    C.ProgressBar1->setMaximum(fileScale(size));
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
        C.ProgressBar1->setPosition(fileScale(10 * s));
        C.ProgressBar2->setPosition(OverallScale(DoneBytes + 10 * s));
    }
    DoneBytes += size;
}
