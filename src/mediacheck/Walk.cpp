#include "mediacheck/Walk.h"

#include "mediacheck/Bytes.h"
#include "mediacheck/WalkReader.h"

namespace mendora::mediacheck {

std::optional<Container> sniffContainer(ByteSource &source) {
    walk::Reader r(source, nullptr);
    try {
        unsigned char h[18];
        const std::size_t got = r.get(0, h, sizeof h);
        if (got >= 4 && bytes::same(h, ".RMF", 4))
            return Container::RealMedia;
        if (got >= 16 && bytes::kAsfHeader.at(h))
            return Container::Asf;
        if (got >= 12 &&
            (bytes::same(h, "RIFF", 4) || bytes::same(h, "RF64", 4) || bytes::same(h, "BW64", 4))) {
            if (bytes::same(h + 8, "CDXA", 4))
                return Container::Cdxa;
            if (bytes::same(h + 8, "AVI ", 4) || bytes::same(h + 8, "WAVE", 4))
                return Container::Riff;
            return std::nullopt;
        }
        if (got >= 18 && bytes::same(h, "BM", 2)) {
            const std::uint32_t info = bytes::le32(h + 14);
            if (info == 12 || info == 40 || info == 52 || info == 56 || info == 64 || info == 108 ||
                info == 124)
                return Container::Bmp;
        }
        if (walk::mpegProgramStart(r))
            return Container::MpegProgram;
        if (walk::mpegAudioStart(r))
            return Container::MpegAudio;
    } catch (const walk::ReadFailed &) {
    } catch (const walk::Cancelled &) {
    }
    return std::nullopt;
}

DamageMap walkStructure(Container container, ByteSource &source, const std::atomic<bool> *cancel,
                        bool &cancelled) {
    cancelled = false;
    walk::Reader r(source, cancel);
    try {
        r.tick();
        switch (container) {
        case Container::MpegProgram:
            return walk::mpegProgram(r);
        case Container::MpegAudio:
            return walk::mpegAudio(r);
        case Container::Asf:
            return walk::asf(r);
        case Container::Riff:
            return walk::riff(r, false);
        case Container::Cdxa:
            return walk::riff(r, true);
        case Container::RealMedia:
            return walk::realMedia(r);
        case Container::Bmp:
            return walk::bmp(r, source);
        }
    } catch (const walk::ReadFailed &failed) {
        DamageMap map;
        map.add(readError(failed.at, failed.error));
        return map;
    } catch (const walk::Cancelled &) {
        cancelled = true;
    }
    return {};
}

} // namespace mendora::mediacheck
