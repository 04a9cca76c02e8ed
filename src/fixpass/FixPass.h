// The check-and-fix pass: goes through the listed files in order, runs the
// per-file and overall bars in steps of 10 bytes of each file's size, serves
// pending messages on every second step, and marks each finished file.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

// True while a pass runs; clearing it stops the pass at its next step.
extern bool FixRunning;
// Total size of the files whose turn has ended in the current pass.
extern std::int64_t DoneBytes;

// The size in bytes of a file, opened for reading only. Throws mendora::IoError.
std::int64_t MediaFileSize(const std::string &path);

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
    CheckPass(MediaListModel &list, PassView &view, QObject *parent = nullptr);

    // Runs the pass over every row listed now; returns when it has ended.
    // Does nothing while a pass is under way. A file error ends the pass and
    // is thrown on.
    void RunCheckPass();

private:
    // The turn of the file at `index` of this pass's rows.
    void CheckOneFile(std::size_t index);
    std::string PathOf(int row) const;
    void Finish();

    MediaListModel &List;
    PassView &View;
    bool Running = false; // also during the unwinding after a Stop
    std::vector<quint64> PassRows;
    quint64 CurrentRow = 0;
    bool RowsRemoved = false;
    BarScale OverallScale;
};

} // namespace mendora
