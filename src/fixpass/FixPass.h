// The check-and-fix pass: goes through the listed files in order, runs the
// per-file and overall bars in steps of 10 bytes of each file's size, serves
// pending messages on every second step, and marks each finished file with
// the verdict of its check. A step never shows more of a file than its check
// has judged; the file's turn ends when both are done.
#pragma once

#include "fixpass/BackgroundCheck.h"
#include "system/Files.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// True while a pass runs; clearing it stops the pass at its next step.
extern bool FixRunning;
// Total size of the files whose turn has ended in the current pass.
extern std::int64_t DoneBytes;

namespace mendora {

class MediaListModel;
class PassView;

// A bar range and positions that fit 32 bits: values are divided by the
// smallest power of two that brings the maximum within range.
struct BarScale {
    int shift = 0;
    static BarScale forMaximum(std::int64_t maximum);
    int operator()(std::int64_t value) const { return static_cast<int>(value >> shift); }
};

// Makes `text` `count` random decimal digits, drawn from the program's generator.
void randomDigits(QString &text, int count);

class CheckPass : public QObject {
    Q_OBJECT
public:
    CheckPass(MediaListModel &list, PassView &view, FileChecker checker = defaultChecker(),
              QObject *parent = nullptr);

    static FileChecker defaultChecker();

    // Runs the pass over every row listed now; returns when it has ended.
    // Does nothing while a pass is under way. A file error ends the pass and
    // is thrown on.
    void RunCheckPass();
    // Ends a running pass at its next step, also while it waits for a check
    // (the Stop button, closing the window).
    void Stop();

private:
    // The turn of the file at `index` of this pass's rows.
    void CheckOneFile(std::size_t index);
    std::string PathOf(int row) const;
    void Finish();
    // Waits in the event loop until `bytes` of the current file are judged
    // or the pass stops; false when the current row was deleted meanwhile.
    bool WaitForCheck(std::int64_t bytes);
    // Whether a deletion since the last look took the current row.
    bool CurrentRowGone();
    void MarkRow(int row, const std::optional<mediacheck::Finding> &finding);

    MediaListModel &List;
    PassView &View;
    bool Running = false; // also during the unwinding after a Stop
    std::vector<quint64> PassRows;
    quint64 CurrentRow = 0;
    bool RowsRemoved = false;
    BarScale OverallScale;
    FileChecker Checker;
    std::unique_ptr<BackgroundCheck> Check; // the current file's
};

} // namespace mendora
