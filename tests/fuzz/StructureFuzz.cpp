// Sniffs arbitrary bytes and walks them as every container: no walk may
// crash, hang or read outside them, and the damage map must hold together:
// stretches within the bytes, in file order, not overlapping, bounded in
// number, and no read error from bytes in memory.
#include "mediacheck/Walk.h"

#include <cstdint>
#include <cstdlib>

using namespace mendora::mediacheck;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    MemorySource source(data, size);
    (void)sniffContainer(source);
    const std::atomic<bool> cancel{false};
    const auto end = static_cast<std::int64_t>(size);
    for (Container container : kContainers) {
        bool cancelled = true;
        const DamageMap map = walkStructure(container, source, &cancel, cancelled);
        if (cancelled || map.stretches.size() > kMaxStretches + 1)
            std::abort();
        std::int64_t previous = 0;
        for (const Damage &d : map.stretches) {
            if (d.kind == DamageKind::ReadError || d.bytes.begin < previous ||
                d.bytes.end < d.bytes.begin || d.bytes.end > end + 1 ||
                (d.kind == DamageKind::Cut && d.declared < d.bytes.end) ||
                (d.time && d.time->end < d.time->begin) ||
                (d.rows && (d.rows->begin < 0 || d.rows->end < d.rows->begin)))
                std::abort();
            previous = d.bytes.end;
        }
    }
    return 0;
}
