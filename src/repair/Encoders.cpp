#include "repair/Encoders.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdlib>

namespace mendora::repair::detail {

namespace {

const AVCodec *encoderFor(AVCodecID id, const MuxOutput &output) {
    const AVCodec *codec = avcodec_find_encoder(id);
    return codec && output.takes(id) ? codec : nullptr;
}

template <typename T, typename Equal> bool listed(const T *list, T end, Equal equal) {
    for (; list && !(*list == end); ++list)
        if (equal(*list))
            return true;
    return false;
}

void setVideo(AVCodecContext &c, const AVCodec &codec, const EncoderWish &wish) {
    const AVCodecParameters &like = *wish.like;
    c.width = like.width;
    c.height = like.height;
    c.sample_aspect_ratio = like.sample_aspect_ratio;
    const auto wanted = static_cast<AVPixelFormat>(like.format);
    c.pix_fmt = codec.pix_fmts && !listed(codec.pix_fmts, AV_PIX_FMT_NONE,
                                          [&](AVPixelFormat f) { return f == wanted; })
                    ? codec.pix_fmts[0]
                    : (wanted == AV_PIX_FMT_NONE ? AV_PIX_FMT_YUV420P : wanted);
    AVRational rate =
        wish.frameRate.num > 0 && wish.frameRate.den > 0 ? wish.frameRate : AVRational{25, 1};
    // MPEG-1 and MPEG-2 know only their standard rates.
    if (codec.supported_framerates)
        rate = codec.supported_framerates[av_find_nearest_q_idx(rate, codec.supported_framerates)];
    c.framerate = rate;
    c.time_base = av_inv_q(rate);
    c.max_b_frames = 0;
    c.gop_size = wish.intraOnly ? 0 : 12;
    const std::int64_t bitRate = wish.bitRate > 0 ? wish.bitRate : like.bit_rate;
    if (bitRate > 0) {
        c.bit_rate = bitRate;
    } else {
        c.flags |= AV_CODEC_FLAG_QSCALE;
        c.global_quality = FF_QP2LAMBDA * 3;
    }
}

void setAudio(AVCodecContext &c, const AVCodec &codec, const EncoderWish &wish) {
    const AVCodecParameters &like = *wish.like;
    c.sample_rate = like.sample_rate > 0 ? like.sample_rate : 44100;
    if (codec.supported_samplerates &&
        !listed(codec.supported_samplerates, 0, [&](int r) { return r == c.sample_rate; })) {
        int best = codec.supported_samplerates[0];
        for (const int *r = codec.supported_samplerates; *r; ++r)
            if (std::abs(*r - c.sample_rate) < std::abs(best - c.sample_rate))
                best = *r;
        c.sample_rate = best;
    }
    if (like.ch_layout.nb_channels > 0 && like.ch_layout.order != AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_copy(&c.ch_layout, &like.ch_layout);
    else
        av_channel_layout_default(&c.ch_layout, std::max(1, like.ch_layout.nb_channels));
    bool layoutKnown = !codec.ch_layouts;
    for (const AVChannelLayout *l = codec.ch_layouts; l && l->nb_channels; ++l)
        layoutKnown = layoutKnown || av_channel_layout_compare(l, &c.ch_layout) == 0;
    if (!layoutKnown) {
        // The same number of channels in a layout the encoder knows, else its first.
        const AVChannelLayout *pick = codec.ch_layouts;
        for (const AVChannelLayout *l = codec.ch_layouts; l->nb_channels; ++l)
            if (l->nb_channels == c.ch_layout.nb_channels) {
                pick = l;
                break;
            }
        av_channel_layout_uninit(&c.ch_layout);
        av_channel_layout_copy(&c.ch_layout, pick);
    }
    const auto wanted = static_cast<AVSampleFormat>(like.format);
    c.sample_fmt = codec.sample_fmts && !listed(codec.sample_fmts, AV_SAMPLE_FMT_NONE,
                                                [&](AVSampleFormat f) { return f == wanted; })
                       ? codec.sample_fmts[0]
                       : wanted;
    c.time_base = AVRational{1, c.sample_rate};
    const std::int64_t bitRate = wish.bitRate > 0 ? wish.bitRate : like.bit_rate;
    c.bit_rate = bitRate > 0 ? bitRate : 0;
}

} // namespace

CodecPtr openEncoder(const EncoderWish &wish, const MuxOutput &output, std::string &why) {
    const AVCodecParameters &like = *wish.like;
    const bool video = like.codec_type == AVMEDIA_TYPE_VIDEO;
    const AVCodec *codec = encoderFor(like.codec_id, output);
    if (!codec && wish.nearest)
        codec =
            encoderFor(video ? output.muxer()->video_codec : output.muxer()->audio_codec, output);
    if (!codec) {
        const AVCodecDescriptor *d = avcodec_descriptor_get(like.codec_id);
        why = std::string("no encoder here for ") + (d ? d->name : "its codec");
        return nullptr;
    }
    // Tries the stream's bit rate, then the encoder's own choice (a rate the
    // codec does not know, say).
    for (const bool ownRate : {false, true}) {
        CodecPtr c(avcodec_alloc_context3(codec));
        if (!c) {
            why = "out of memory";
            return nullptr;
        }
        if (video)
            setVideo(*c, *codec, wish);
        else
            setAudio(*c, *codec, wish);
        if (ownRate && video) {
            c->bit_rate = 0;
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = FF_QP2LAMBDA * 3;
        } else if (ownRate) {
            c->bit_rate = 0;
        }
        if (output.muxer()->flags & AVFMT_GLOBALHEADER)
            c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        c->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
        c->thread_count = 1;
        if (avcodec_open2(c.get(), codec, nullptr) >= 0)
            return c;
    }
    why = std::string("its ") + codec->name + " encoder does not take the stream's settings";
    return nullptr;
}

FramePtr fillPicture(const AVCodecContext &encoder, std::uint32_t fill) {
    FramePtr rgb(av_frame_alloc()), picture(av_frame_alloc());
    if (!rgb || !picture)
        return nullptr;
    rgb->format = AV_PIX_FMT_RGB24;
    rgb->width = picture->width = encoder.width;
    rgb->height = picture->height = encoder.height;
    picture->format = encoder.pix_fmt;
    if (av_frame_get_buffer(rgb.get(), 0) < 0 || av_frame_get_buffer(picture.get(), 0) < 0)
        return nullptr;
    for (int y = 0; y < rgb->height; ++y) {
        std::uint8_t *row = rgb->data[0] + static_cast<std::ptrdiff_t>(y) * rgb->linesize[0];
        for (int x = 0; x < rgb->width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(fill >> 16);
            row[3 * x + 1] = static_cast<std::uint8_t>(fill >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(fill);
        }
    }
    SwsContext *sws =
        sws_getContext(rgb->width, rgb->height, AV_PIX_FMT_RGB24, picture->width, picture->height,
                       encoder.pix_fmt, SWS_POINT, nullptr, nullptr, nullptr);
    if (!sws)
        return nullptr;
    sws_scale(sws, rgb->data, rgb->linesize, 0, rgb->height, picture->data, picture->linesize);
    sws_freeContext(sws);
    return picture;
}

FramePtr silence(const AVCodecContext &encoder, int samples) {
    FramePtr frame(av_frame_alloc());
    if (!frame)
        return nullptr;
    frame->format = encoder.sample_fmt;
    frame->sample_rate = encoder.sample_rate;
    frame->nb_samples = samples;
    if (av_channel_layout_copy(&frame->ch_layout, &encoder.ch_layout) < 0 ||
        av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    av_samples_set_silence(frame->extended_data, 0, samples, encoder.ch_layout.nb_channels,
                           encoder.sample_fmt);
    return frame;
}

int samplesPerFrame(const AVCodecContext &encoder) {
    return encoder.frame_size > 0 ? encoder.frame_size : 1024;
}

} // namespace mendora::repair::detail
