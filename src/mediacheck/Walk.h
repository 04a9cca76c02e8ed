// Walks of the containers' own structure: pack and packet lengths, frame
// headers and declared sizes that must tile the file. They find what
// decoders resync past silently, and they go on past each fault to the
// next unit that holds together, so that the damage map they return names
// every damaged stretch. Every read is bounds-checked and nothing is
// allocated from a size the file declares.
#pragma once

#include "mediacheck/ByteSource.h"
#include "mediacheck/Damage.h"

#include <atomic>
#include <optional>

namespace mendora::mediacheck {

// The containers the walks know, told by their first bytes.
enum class Container {
    MpegProgram, // MPEG-1/2 program stream: .mpg, .mpeg, .vob, VCD/SVCD .mpg
    MpegAudio,   // MPEG audio layers 1 to 3, with ID3v2 before and ID3v1/APE after
    Asf,         // .asf, .wma, .wmv, .wm
    Riff,        // RIFF AVI and WAVE
    Cdxa,        // RIFF CDXA: a VCD's .dat, raw 2352-byte sectors
    RealMedia,   // .rm, .rmvb, .ra (".RMF")
    Bmp,         // BMP pictures
};

inline constexpr Container kContainers[] = {
    Container::MpegProgram, Container::MpegAudio, Container::Asf, Container::Riff,
    Container::Cdxa,        Container::RealMedia, Container::Bmp};

// The container of the bytes, or nothing when no walk applies.
std::optional<Container> sniffContainer(ByteSource &source);

// Every damaged stretch of the structure, in file order; empty when it
// holds together. A read error ends the walk with a ReadError stretch.
// `cancelled` is set, and the map is incomplete, when the walk stopped
// because `cancel` was set (it is polled often, from any thread).
DamageMap walkStructure(Container container, ByteSource &source, const std::atomic<bool> *cancel,
                        bool &cancelled);

} // namespace mendora::mediacheck
