// Stand-ins for the units that Conceal leaves out of a stream-copied
// stream: pictures of the fill colour and silence, encoded with the stream's
// own codec and settings so that they sit among its packets. Inside the
// library only.
#pragma once

#include "repair/Encoders.h"
#include "repair/MuxOutput.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mendora::repair::detail {

class GapFiller {
public:
    GapFiller(const AVStream &stream, const MuxOutput &output, std::uint32_t fill);

    // Whether this stream's gaps can be filled; else why not.
    bool ready() const { return why_.empty(); }
    const std::string &why() const { return why_; }

    // Packets that fill the stream's time [from, to) (in its time base) one
    // unit after the other, none reaching past `to`.
    std::vector<PacketPtr> fill(std::int64_t from, std::int64_t to);
    // The time one stand-in covers, in the stream's time base.
    std::int64_t unit() const { return unit_; }

private:
    CodecPtr open();

    const AVStream &stream_;
    const MuxOutput &output_;
    std::uint32_t colour_;
    std::int64_t unit_ = 0;
    std::string why_;
};

} // namespace mendora::repair::detail
