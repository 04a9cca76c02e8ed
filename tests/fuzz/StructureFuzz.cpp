// Sniffs arbitrary bytes and walks them as every container: no walk may
// crash, hang or read outside them, and a fault must lie within them.
#include "mediacheck/Structure.h"

#include <cstdint>
#include <cstdlib>

using namespace mendora::mediacheck;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    MemorySource source(data, size);
    (void)sniffContainer(source);
    const std::atomic<bool> cancel{false};
    for (Container container : {Container::MpegProgram, Container::MpegAudio, Container::Asf,
                                Container::Riff, Container::Cdxa, Container::RealMedia}) {
        bool cancelled = true;
        const auto fault = walkStructure(container, source, &cancel, cancelled);
        if (cancelled)
            std::abort();
        if (fault && (fault->at < 0 || fault->at > static_cast<std::int64_t>(size) ||
                      fault->kind == StructureFault::Kind::ReadError))
            std::abort();
    }
    return 0;
}
