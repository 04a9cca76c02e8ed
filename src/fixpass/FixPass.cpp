#include "fixpass/FixPass.h"

#include "fixpass/PassView.h"
#include "medialist/MediaList.h"
#include "system/Random.h"

#include <QCoreApplication>
#include <limits>

bool FixRunning = false;
std::int64_t DoneBytes = 0;

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

CheckPass::CheckPass(MediaListModel &list, PassView &view, FileChecker checker, QObject *parent)
    : QObject(parent), List(list), View(view), Checker(std::move(checker)) {
    // Rows deleted while the pass serves messages: checked at the next step,
    // or at once when the pass waits for a check.
    const auto removed = [this] {
        RowsRemoved = true;
        if (Check)
            Check->wake();
    };
    connect(&List, &QAbstractItemModel::rowsRemoved, this, removed);
    connect(&List, &QAbstractItemModel::modelReset, this, removed);
}

FileChecker CheckPass::defaultChecker() {
    return [](const std::string &path, const mediacheck::CheckControl &control) {
        return mediacheck::checkFile(path, control);
    };
}

void CheckPass::Stop() {
    FixRunning = false;
    if (Check)
        Check->wake();
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
            const bool stopped = !FixRunning;
            if (const int row = List.rowOfId(PassRows[i]); row >= 0 && !stopped)
                MarkRow(row, Check->result());
            Check.reset();
            if (stopped)
                break;
        }
    } catch (...) {
        Check.reset();
        Finish();
        throw;
    }
    Finish();
}

void CheckPass::MarkRow(int row, const std::optional<mediacheck::Finding> &finding) {
    if (finding)
        List.setFinding(row, *finding);
}

bool CheckPass::CurrentRowGone() {
    if (!RowsRemoved)
        return false;
    RowsRemoved = false;
    return List.rowOfId(CurrentRow) < 0;
}

bool CheckPass::WaitForCheck(std::int64_t bytes) {
    while (FixRunning && !Check->finished() && Check->judged() < bytes) {
        Check->waitFor(bytes);
        if (CurrentRowGone())
            return false;
    }
    return true;
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
    Check = std::make_unique<BackgroundCheck>(Checker, path);
    const std::int64_t steps = size / 10;
    bool gone = false;
    for (std::int64_t s = 0; s <= steps; ++s) {
        if (!FixRunning)
            break;
        if (s % 2 == 0) {
            QCoreApplication::processEvents();
            // A deleted file's turn ends here, unmarked.
            if ((gone = CurrentRowGone()))
                break;
        }
        if ((gone = !WaitForCheck(10 * s)))
            break;
        // Stopped while waiting: this step's bytes were never judged.
        if (!Check->finished() && Check->judged() < 10 * s)
            break;
        View.setBarPosition(Bar::File, fileScale(10 * s));
        View.setBarPosition(Bar::Overall, OverallScale(DoneBytes + 10 * s));
    }
    if (!gone)
        WaitForCheck(INT64_MAX);
    // A check still running has lost its file or its pass: it is cancelled
    // and leaves no verdict.
    if (!Check->finished())
        Check->cancel();
    DoneBytes += size;
}

} // namespace mendora
