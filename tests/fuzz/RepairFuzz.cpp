// Repairs arbitrary bytes, named as one of the kinds the program lists: the
// check of the file, then the repair of what it calls damaged by Auto or
// the strategy the second byte picks, into a
// folder of the fuzzer's own. What must hold: no crash, a copy only when it
// is judged intact, nothing left behind but that copy, the original as it was.
#include "mediacheck/MediaCheck.h"
#include "repair/Repair.h"
#include "system/Files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace mendora;
    static const char *const names[] = {"f.avi", "f.mpg", "f.wmv", "f.mp3", "f.wav",
                                        "f.rm",  "f.jpg", "f.bmp", "f.mp2", "f.vob"};
    static const std::string folder = [] {
        char pattern[] = "/tmp/mendora-repair-fuzz-XXXXXX";
        return std::string(::mkdtemp(pattern));
    }();
    const std::size_t pick = size ? data[0] % std::size(names) : 0;
    const std::string path = folder + "/" + names[pick];
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    if (files::replaceFile(path, bytes).error != 0)
        std::abort();
    const auto finding = mediacheck::checkFile(path);
    if (!finding)
        std::abort();
    if (finding->verdict == mediacheck::Verdict::Damaged) {
        repair::Request request;
        request.path = path;
        request.kind = repair::repairKindOf(path);
        // Auto, or one strategy of the kind's list.
        const int strategies = request.kind == mediacheck::MediaKind::Picture ? 3 : 6;
        request.mode = size > 1 ? data[1] % strategies : repair::kAuto;
        const repair::Result result = repair::repairFile(request, *finding);
        if (result.outcome == repair::Result::Outcome::Repaired) {
            const auto copy = mediacheck::checkFile(result.copy);
            if (!copy || copy->verdict != mediacheck::Verdict::Intact)
                std::abort();
            std::remove(result.copy.c_str());
        } else if (result.outcome != repair::Result::Outcome::NotRepaired ||
                   result.details.rfind("not repaired: ", 0) != 0) {
            std::abort();
        }
    }
    std::string after;
    if (files::readWholeFile(path, after) != 0 || after != bytes)
        std::abort();
    std::remove(path.c_str());
    return 0;
}
