#include "repair/GapFill.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace mendora::repair::detail {

namespace {

// No gap is filled beyond this: a longer one is a jump of the clock.
constexpr std::int64_t kLongestGapSeconds = 600;

} // namespace

GapFiller::GapFiller(const AVStream &stream, const MuxOutput &output, std::uint32_t fill)
    : stream_(stream), output_(output), colour_(fill) {
    const AVCodecParameters &par = *stream.codecpar;
    const CodecPtr encoder = open();
    if (!encoder)
        return;
    // Stand-ins must match the stream: the same codec, size, rate and channels,
    // and the same global header where both have one.
    const bool video = par.codec_type == AVMEDIA_TYPE_VIDEO;
    const bool same = encoder->codec_id == par.codec_id &&
                      (video ? encoder->width == par.width && encoder->height == par.height
                             : encoder->sample_rate == par.sample_rate &&
                                   encoder->ch_layout.nb_channels == par.ch_layout.nb_channels) &&
                      (encoder->extradata_size == 0 || par.extradata_size == 0 ||
                       (encoder->extradata_size == par.extradata_size &&
                        std::memcmp(encoder->extradata, par.extradata,
                                    static_cast<std::size_t>(par.extradata_size)) == 0));
    if (!same) {
        why_ = std::string("its ") + encoder->codec->name +
               " encoder cannot match the stream's settings";
        return;
    }
    if (video) {
        const AVRational rate =
            stream.avg_frame_rate.num > 0 ? stream.avg_frame_rate : stream.r_frame_rate;
        unit_ = rate.num > 0 ? av_rescale_q(1, av_inv_q(rate), stream.time_base) : 0;
    } else {
        unit_ = av_rescale_q(samplesPerFrame(*encoder), AVRational{1, encoder->sample_rate},
                             stream.time_base);
    }
    if (unit_ <= 0)
        why_ = "the stream's frames have no known length";
}

CodecPtr GapFiller::open() {
    EncoderWish wish;
    wish.like = stream_.codecpar;
    wish.frameRate = stream_.avg_frame_rate.num > 0 ? stream_.avg_frame_rate : stream_.r_frame_rate;
    wish.intraOnly = true;
    return openEncoder(wish, output_, why_);
}

std::vector<PacketPtr> GapFiller::fill(std::int64_t from, std::int64_t to) {
    std::vector<PacketPtr> packets;
    if (!ready() || to <= from)
        return packets;
    const std::int64_t count = (to - from) / unit_;
    if (count <= 0 ||
        av_rescale_q(to - from, stream_.time_base, AVRational{1, 1}) > kLongestGapSeconds)
        return packets;
    std::string why;
    const CodecPtr encoder = open();
    if (!encoder)
        return packets;
    const bool video = stream_.codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    const FramePtr frame =
        video ? fillPicture(*encoder, colour_) : silence(*encoder, samplesPerFrame(*encoder));
    if (!frame)
        return packets;
    PacketPtr packet(av_packet_alloc());
    const auto collect = [&] {
        while (avcodec_receive_packet(encoder.get(), packet.get()) >= 0) {
            if (static_cast<std::int64_t>(packets.size()) < count) {
                PacketPtr p(av_packet_alloc());
                av_packet_move_ref(p.get(), packet.get());
                packets.push_back(std::move(p));
            } else {
                av_packet_unref(packet.get());
            }
        }
    };
    // Audio encoders hold back a few frames: a few more are sent, and the
    // stand-ins are the first ones out.
    const std::int64_t frames = video ? count : count + 8;
    for (std::int64_t i = 0; i < frames && static_cast<std::int64_t>(packets.size()) < count; ++i) {
        frame->pts = video ? i : i * frame->nb_samples;
        if (video)
            frame->pict_type = AV_PICTURE_TYPE_I;
        if (av_frame_make_writable(frame.get()) < 0 ||
            avcodec_send_frame(encoder.get(), frame.get()) < 0)
            break;
        collect();
    }
    avcodec_send_frame(encoder.get(), nullptr);
    collect();
    for (std::size_t i = 0; i < packets.size(); ++i) {
        packets[i]->pts = packets[i]->dts = from + static_cast<std::int64_t>(i) * unit_;
        packets[i]->duration = unit_;
        if (video)
            packets[i]->flags |= AV_PKT_FLAG_KEY;
    }
    return packets;
}

} // namespace mendora::repair::detail
