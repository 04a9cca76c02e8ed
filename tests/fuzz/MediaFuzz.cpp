// Runs the whole check over arbitrary bytes held in memory, named by the
// first byte with one of the extensions the program lists, so that FFmpeg's
// demuxers, the structure walks and the JPEG check all see hostile input.
// What must hold: a verdict always comes back, in the list's words (the
// verdict's own word first), and a damaged file has a damage map within
// its bytes.
#include "mediacheck/MediaCheck.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace mendora::mediacheck;
    static const char *const names[] = {"f.avi", "f.mpg", "f.vob", "f.wmv", "f.wma",
                                        "f.asf", "f.mp3", "f.mp2", "f.wav", "f.rm",
                                        "f.dat", "f.jpg", "f.bmp", "f.asx", "f"};
    const std::size_t pick = size ? data[0] % std::size(names) : 0;
    MemorySource source(data, size);
    const auto finding = checkBytes(source, names[pick]);
    if (!finding || finding->details.empty() ||
        !finding->summary.starts_with(verdictName(finding->verdict)))
        std::abort();
    if (finding->verdict == Verdict::Damaged && size > 0 && finding->damage.empty())
        std::abort();
    for (const Damage &d : finding->damage.stretches)
        if (d.bytes.begin < 0 || d.bytes.end < d.bytes.begin ||
            d.bytes.end > static_cast<std::int64_t>(size) + 1)
            std::abort();
    return 0;
}
