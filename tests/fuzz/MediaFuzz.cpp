// Runs the whole check over arbitrary bytes held in memory, named by the
// first byte with one of the extensions the program lists, so that FFmpeg's
// demuxers, the structure walks and the JPEG check all see hostile input.
// What must hold: a verdict always comes back, with words for the list.
#include "mediacheck/MediaCheck.h"
#include "mediacheck/Structure.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const char *const names[] = {"f.avi", "f.mpg", "f.vob", "f.wmv", "f.wma",
                                        "f.asf", "f.mp3", "f.mp2", "f.wav", "f.rm",
                                        "f.dat", "f.jpg", "f.bmp", "f.asx", "f"};
    const std::size_t pick = size ? data[0] % std::size(names) : 0;
    mendora::mediacheck::MemorySource source(data, size);
    const auto finding = mendora::mediacheck::checkBytes(source, names[pick]);
    if (!finding || finding->summary.empty() || finding->details.empty())
        std::abort();
    return 0;
}
