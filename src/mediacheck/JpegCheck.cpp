#include "mediacheck/JpegCheck.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
// After jpeglib.h: the message codes and the WARNMS macro.
#include <jerror.h>

namespace mendora::mediacheck {

namespace {

// Pictures of more pixels than this are not decoded: progressive ones keep
// all their coefficients in memory.
constexpr std::uint64_t kMaxPixels = 150'000'000;
constexpr std::size_t kChunk = 64 * 1024;
// A run of zero bytes this long in entropy-coded data is what a zeroed
// block of a file looks like. libjpeg decodes zeros as valid codes and
// notices nothing until the picture ends out of step, so the run says
// where a damaged picture breaks.
constexpr std::int64_t kZeroRun = 64;

enum class Stop { None, Fault, Warning, ReadError, Cancelled, TooLarge };

// Everything libjpeg's callbacks reach; `info` is first, so the callbacks
// find the rest from the pointer they get.
struct Check {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_source_mgr input{};
    std::jmp_buf escape{};
    ByteSource *source = nullptr;
    const CheckControl *control = nullptr;
    std::int64_t offset = 0; // of the next chunk to read
    std::array<JOCTET, kChunk> chunk{};
    std::vector<JSAMPLE> row;
    bool headerRead = false;
    Stop stop = Stop::None;
    int messageCode = 0;
    std::int64_t stopAt = 0;
    JDIMENSION stopRow = 0;
    int readError = 0;
    bool arithmetic = false;
    // For sequential data: where the scan begins, and for each row decoded
    // the bytes read by then, so that a damaged picture's zero run can be
    // placed on its rows afterwards.
    std::int64_t scanStart = -1;
    std::vector<std::int64_t> rowEnds;
};

Check &checkOf(j_common_ptr info) {
    return *reinterpret_cast<Check *>(info);
}

std::int64_t consumed(const Check &c) {
    return c.offset - static_cast<std::int64_t>(c.input.bytes_in_buffer);
}

[[noreturn]] void stopWith(Check &c, Stop why) {
    c.stop = why;
    c.stopAt = consumed(c);
    c.stopRow = c.info.output_scanline;
    std::longjmp(c.escape, 1);
}

[[noreturn]] void onError(j_common_ptr info) {
    Check &c = checkOf(info);
    c.messageCode = info->err->msg_code;
    stopWith(c, Stop::Fault);
}

// Warnings (level -1) are corrupt data that libjpeg would patch over: the
// first one is the finding. Trace messages (level >= 0) are ignored.
void onMessage(j_common_ptr info, int level) {
    if (level >= 0)
        return;
    Check &c = checkOf(info);
    c.messageCode = info->err->msg_code;
    stopWith(c, Stop::Warning);
}

void initSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr info) {
    Check &c = checkOf(reinterpret_cast<j_common_ptr>(info));
    if (c.control->cancel && c.control->cancel->load(std::memory_order_relaxed))
        stopWith(c, Stop::Cancelled);
    const std::int64_t got = c.source->read(c.offset, c.chunk.data(), c.chunk.size());
    if (got < 0) {
        c.readError = c.source->error();
        stopWith(c, Stop::ReadError);
    }
    if (got == 0) {
        // Past the end: libjpeg warns of a premature end and reads an EOI.
        static const JOCTET eoi[2] = {0xFF, JPEG_EOI};
        WARNMS(info, JWRN_JPEG_EOF);
        c.input.next_input_byte = eoi;
        c.input.bytes_in_buffer = 2;
        return TRUE;
    }
    c.offset += got;
    c.input.next_input_byte = c.chunk.data();
    c.input.bytes_in_buffer = static_cast<std::size_t>(got);
    if (c.control->progress)
        c.control->progress(c.offset);
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count) {
    Check &c = checkOf(reinterpret_cast<j_common_ptr>(info));
    while (count > 0) {
        if (c.input.bytes_in_buffer == 0)
            fillInput(info);
        const std::size_t step =
            std::min<std::size_t>(static_cast<std::size_t>(count), c.input.bytes_in_buffer);
        c.input.next_input_byte += step;
        c.input.bytes_in_buffer -= step;
        count -= static_cast<long>(step);
    }
}

void termSource(j_decompress_ptr) {}

// Where the first run of kZeroRun zero bytes after `from` begins, or -1.
// A read error here is left to the decoding, which meets it too.
std::int64_t firstZeroRun(ByteSource &source, std::int64_t from) {
    std::vector<unsigned char> block(kChunk);
    std::int64_t run = 0;
    for (std::int64_t at = from; at < source.size();) {
        const std::int64_t got = source.read(at, block.data(), block.size());
        if (got <= 0)
            return -1;
        for (std::int64_t i = 0; i < got; ++i) {
            run = block[static_cast<std::size_t>(i)] == 0 ? run + 1 : 0;
            if (run == kZeroRun)
                return at + i + 1 - kZeroRun;
        }
        at += got;
    }
    return -1;
}

// Decoding errors that tell a JPEG of a kind this libjpeg does not decode,
// rather than a damaged one.
bool notDecodableHere(int code) {
    return code == JERR_BAD_PRECISION || code == JERR_SOF_UNSUPPORTED ||
           code == JERR_NOT_COMPILED || code == JERR_ARITH_NOTIMPL;
}

} // namespace

bool looksLikeJpeg(ByteSource &source) {
    unsigned char head[3] = {};
    return source.read(0, head, 3) == 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

JpegRun checkJpeg(ByteSource &source, const CheckControl &control) {
    // The jump may cross this function's frames: what it uses lives on the heap.
    const auto c = std::make_unique<Check>();
    c->source = &source;
    c->control = &control;
    jpeg_decompress_struct *const info = &c->info;
    info->err = jpeg_std_error(&c->errors);
    c->errors.error_exit = onError;
    c->errors.emit_message = onMessage;
    if (setjmp(c->escape) == 0) {
        jpeg_create_decompress(info);
        c->input.init_source = initSource;
        c->input.fill_input_buffer = fillInput;
        c->input.skip_input_data = skipInput;
        c->input.resync_to_restart = jpeg_resync_to_restart;
        c->input.term_source = termSource;
        info->src = &c->input;
        jpeg_read_header(info, TRUE);
        c->headerRead = true;
        c->arithmetic = info->arith_code;
        if (std::uint64_t(info->image_width) * info->image_height > kMaxPixels)
            stopWith(*c, Stop::TooLarge);
        if (!jpeg_has_multiple_scans(info)) {
            c->scanStart = consumed(*c);
            c->rowEnds.reserve(info->image_height);
        }
        jpeg_start_decompress(info);
        c->row.resize(std::size_t(info->output_width) * std::size_t(info->output_components));
        while (info->output_scanline < info->output_height) {
            JSAMPROW rows[1] = {c->row.data()};
            jpeg_read_scanlines(info, rows, 1);
            if (c->scanStart >= 0)
                c->rowEnds.push_back(consumed(*c));
        }
        jpeg_finish_decompress(info);
    }
    const Stop stop = c->stop;
    JpegRun run;
    JpegEvidence &e = run.evidence;
    e.arithmetic = c->arithmetic;
    e.height = info->image_height;
    jpeg_destroy_decompress(info);

    switch (stop) {
    case Stop::None:
        if (control.progress)
            control.progress(source.size());
        return run;
    case Stop::Cancelled:
        run.cancelled = true;
        return run;
    case Stop::ReadError:
        run.readError = c->readError ? c->readError : EIO;
        return run;
    case Stop::TooLarge:
        e.outcome = JpegEvidence::Outcome::TooLarge;
        return run;
    case Stop::Warning:
    case Stop::Fault:
        break;
    }
    if (control.progress)
        control.progress(source.size());
    using Outcome = JpegEvidence::Outcome;
    if (notDecodableHere(c->messageCode)) {
        e.outcome = Outcome::Unsupported;
        return run;
    }
    if (!c->headerRead) {
        e.outcome = Outcome::NoHeader;
        return run;
    }
    e.breakRow = c->stopRow;
    e.breakByte = std::min(c->stopAt, source.size());
    if (c->messageCode == JWRN_JPEG_EOF)
        e.outcome = c->stopRow < e.height ? Outcome::CutShort : Outcome::EndMissing;
    else
        e.outcome = Outcome::Corrupt;
    // Zeros before the point where libjpeg noticed: the picture breaks at
    // the first row whose decoding reached them.
    const std::int64_t zeroAt = c->scanStart >= 0 ? firstZeroRun(source, c->scanStart) : -1;
    const auto reached = std::upper_bound(c->rowEnds.begin(), c->rowEnds.end(), zeroAt);
    const std::int64_t zeroRow =
        zeroAt >= 0 && reached != c->rowEnds.end() ? reached - c->rowEnds.begin() : -1;
    if (zeroRow >= 0 && zeroRow < e.breakRow) {
        e.outcome = Outcome::Corrupt;
        e.breakRow = zeroRow;
        e.breakByte = zeroAt;
    }
    if (e.outcome == Outcome::CutShort)
        e.breakByte = source.size();
    return run;
}

} // namespace mendora::mediacheck
