// Re-encode: every stream decoded with the decoders' error concealment,
// the fill colour and silence where nothing decodes, and encoded anew with
// the stream's codec (or the container's nearest) at its bit rate.
#include "mediacheck/ByteSource.h"
#include "mediacheck/FfmpegInput.h"
#include "repair/Attempt.h"
#include "repair/Encoders.h"
#include "repair/MuxOutput.h"
#include "system/FileErrors.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <vector>

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace mendora::repair::detail {

namespace {

// Gaps longer than this are taken for a jump of the clock, not lost units.
constexpr std::int64_t kLongestGapSeconds = 600;

struct Coder {
    int input = -1; // the stream's index in the original
    AVStream *out = nullptr;
    AVRational inBase{1, 1};
    CodecPtr decoder, encoder;
    bool video = false;
    // Where the stream's clock starts, in its own time base.
    std::int64_t start = AV_NOPTS_VALUE;
    // Video: frames given to the encoder; audio: samples put in the fifo
    // and samples given to the encoder.
    std::int64_t next = 0, encoded = 0;
    // Frames (video) or samples (audio) decoded and filled; frames in which
    // the decoder concealed errors.
    std::int64_t decoded = 0, filled = 0, concealed = 0;
    FramePtr fill;
    SwsContext *sws = nullptr;
    SwrContext *swr = nullptr;
    AVAudioFifo *fifo = nullptr;
    ~Coder() {
        sws_freeContext(sws);
        swr_free(&swr);
        if (fifo)
            av_audio_fifo_free(fifo);
    }
};

class Reencoder {
public:
    explicit Reencoder(MuxOutput &output) : output_(output) {}

    // Sends `frame` (null: the end) to the coder's encoder, writing what it gives.
    std::string encode(Coder &c, AVFrame *frame) {
        if (avcodec_send_frame(c.encoder.get(), frame) < 0 && frame)
            return "a frame cannot be encoded";
        PacketPtr packet(av_packet_alloc());
        while (avcodec_receive_packet(c.encoder.get(), packet.get()) >= 0) {
            av_packet_rescale_ts(packet.get(), c.encoder->time_base, c.out->time_base);
            packet->stream_index = c.out->index;
            if (std::string why = output_.write(packet.get()); !why.empty())
                return why;
        }
        return {};
    }

    // Video: the picture for frame number c.next, then the number moves on.
    std::string putPicture(Coder &c, AVFrame *picture) {
        picture->pts = c.next++;
        picture->pict_type = AV_PICTURE_TYPE_NONE;
        return encode(c, picture);
    }

    std::string video(Coder &c, AVFrame *frame) {
        const std::int64_t ts = frame->best_effort_timestamp;
        std::int64_t index = c.next;
        if (ts != AV_NOPTS_VALUE) {
            if (c.start == AV_NOPTS_VALUE)
                c.start = ts;
            index =
                av_rescale_q_rnd(ts - c.start, c.inBase, c.encoder->time_base,
                                 static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
        }
        // A frame whose time is past already repeats one (bytes repeated).
        if (index < c.next)
            return {};
        const std::int64_t longest =
            kLongestGapSeconds * c.encoder->time_base.den / std::max(1, c.encoder->time_base.num);
        if (index - c.next <= longest)
            while (c.next < index) {
                ++c.filled;
                if (std::string why = putPicture(c, c.fill.get()); !why.empty())
                    return why;
            }
        ++c.decoded;
        if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT))
            ++c.concealed;
        FramePtr picture(av_frame_alloc());
        picture->format = c.encoder->pix_fmt;
        picture->width = c.encoder->width;
        picture->height = c.encoder->height;
        c.sws = sws_getCachedContext(c.sws, frame->width, frame->height,
                                     static_cast<AVPixelFormat>(frame->format), picture->width,
                                     picture->height, c.encoder->pix_fmt, SWS_BICUBIC, nullptr,
                                     nullptr, nullptr);
        if (!c.sws || av_frame_get_buffer(picture.get(), 0) < 0)
            return "a picture cannot be converted";
        sws_scale(c.sws, frame->data, frame->linesize, 0, frame->height, picture->data,
                  picture->linesize);
        return putPicture(c, picture.get());
    }

    // Audio: whole encoder frames out of the fifo (all of it at the end).
    std::string drain(Coder &c, bool end) {
        const int perFrame = samplesPerFrame(*c.encoder);
        const bool anySize = c.encoder->frame_size == 0 ||
                             (c.encoder->codec->capabilities &
                              (AV_CODEC_CAP_VARIABLE_FRAME_SIZE | AV_CODEC_CAP_SMALL_LAST_FRAME));
        while (av_audio_fifo_size(c.fifo) >= perFrame || (end && av_audio_fifo_size(c.fifo) > 0)) {
            const int n = std::min(perFrame, av_audio_fifo_size(c.fifo));
            FramePtr frame = silence(*c.encoder, anySize ? n : perFrame);
            if (!frame)
                return "out of memory";
            av_audio_fifo_read(c.fifo, reinterpret_cast<void **>(frame->extended_data), n);
            frame->pts = c.encoded;
            c.encoded += frame->nb_samples;
            if (std::string why = encode(c, frame.get()); !why.empty())
                return why;
        }
        return {};
    }

    std::string putSilence(Coder &c, std::int64_t samples) {
        while (samples > 0) {
            const int n = static_cast<int>(std::min<std::int64_t>(samples, 4096));
            FramePtr quiet = silence(*c.encoder, n);
            if (!quiet ||
                av_audio_fifo_write(c.fifo, reinterpret_cast<void **>(quiet->extended_data), n) < n)
                return "out of memory";
            samples -= n;
            c.next += n;
            c.filled += n;
            if (std::string why = drain(c, false); !why.empty())
                return why;
        }
        return {};
    }

    std::string audio(Coder &c, AVFrame *frame) {
        const int rate = c.encoder->sample_rate;
        const std::int64_t ts = frame->best_effort_timestamp;
        const std::int64_t length = av_rescale(frame->nb_samples, rate, frame->sample_rate);
        if (ts != AV_NOPTS_VALUE) {
            if (c.start == AV_NOPTS_VALUE)
                c.start = ts;
            const std::int64_t at = av_rescale_q(ts - c.start, c.inBase, AVRational{1, rate});
            const std::int64_t slack = std::max<std::int64_t>(length / 2, rate / 200);
            // Sound that was heard already (bytes repeated) is left out.
            if (at + length <= c.next - slack)
                return {};
            if (at - c.next > slack && at - c.next <= kLongestGapSeconds * rate)
                if (std::string why = putSilence(c, at - c.next); !why.empty())
                    return why;
        }
        if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT))
            ++c.concealed;
        // A layout without an order is taken for the usual one of its
        // channels, as the resampler takes it.
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            const int channels = frame->ch_layout.nb_channels;
            av_channel_layout_uninit(&frame->ch_layout);
            av_channel_layout_default(&frame->ch_layout, channels);
        }
        if (!c.swr) {
            if (swr_alloc_set_opts2(&c.swr, &c.encoder->ch_layout, c.encoder->sample_fmt, rate,
                                    &frame->ch_layout, static_cast<AVSampleFormat>(frame->format),
                                    frame->sample_rate, 0, nullptr) < 0 ||
                swr_init(c.swr) < 0)
                return "the sound cannot be converted";
        }
        FramePtr converted(av_frame_alloc());
        converted->format = c.encoder->sample_fmt;
        converted->sample_rate = rate;
        av_channel_layout_copy(&converted->ch_layout, &c.encoder->ch_layout);
        // A frame whose layout or rate changed midway is left out.
        if (swr_convert_frame(c.swr, converted.get(), frame) < 0)
            return {};
        if (av_audio_fifo_write(c.fifo, reinterpret_cast<void **>(converted->extended_data),
                                converted->nb_samples) < converted->nb_samples)
            return "out of memory";
        c.next += converted->nb_samples;
        c.decoded += converted->nb_samples;
        return drain(c, false);
    }

    std::string decoded(Coder &c, AVFrame *frame) {
        return c.video ? video(c, frame) : audio(c, frame);
    }

    // Feeds `packet` (null: the end) to the coder's decoder.
    std::string decode(Coder &c, AVPacket *packet, AVFrame *frame) {
        // A packet the decoder refuses is lost; the next ones go on.
        avcodec_send_packet(c.decoder.get(), packet);
        while (avcodec_receive_frame(c.decoder.get(), frame) >= 0) {
            std::string why = decoded(c, frame);
            av_frame_unref(frame);
            if (!why.empty())
                return why;
        }
        return {};
    }

private:
    MuxOutput &output_;
};

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", s);
    return text;
}

} // namespace

Attempt reencode(const std::string &original, files::NewFile &out, std::uint32_t fill,
                 const mediacheck::DamageMap &, const std::atomic<bool> *cancel) {
    Attempt attempt;
    attempt.action = "re-encoded";
    int error = 0;
    const auto source = mediacheck::FileSource::open(original, error);
    if (!source) {
        attempt.failure = systemErrorText(error);
        return attempt;
    }
    mediacheck::FfmpegInput input;
    if (input.open(*source, original, cancel) < 0 ||
        avformat_find_stream_info(input.format(), nullptr) < 0) {
        attempt.cancelled = cancel && cancel->load();
        attempt.failure =
            input.readError() ? systemErrorText(input.readError()) : "its header cannot be read";
        return attempt;
    }
    AVFormatContext *in = input.format();
    MuxOutput output;
    if (std::string why = output.open(out, original, in); !why.empty()) {
        attempt.failure = why;
        return attempt;
    }

    // The bit rate the file's video had: its own, else what the file's rate
    // leaves beside the sound.
    std::int64_t soundRate = 0;
    for (unsigned i = 0; i < in->nb_streams; ++i)
        if (in->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            soundRate += in->streams[i]->codecpar->bit_rate;

    std::vector<std::unique_ptr<Coder>> coders;
    std::vector<Coder *> byInput(in->nb_streams, nullptr);
    std::string left;
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        AVStream *from = in->streams[i];
        const AVCodecParameters *par = from->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_AUDIO && par->codec_type != AVMEDIA_TYPE_VIDEO)
            continue;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO &&
            (from->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        auto c = std::make_unique<Coder>();
        c->input = static_cast<int>(i);
        c->inBase = from->time_base;
        c->video = par->codec_type == AVMEDIA_TYPE_VIDEO;
        const AVCodec *decoder = avcodec_find_decoder(par->codec_id);
        c->decoder.reset(decoder ? avcodec_alloc_context3(decoder) : nullptr);
        if (!c->decoder || avcodec_parameters_to_context(c->decoder.get(), par) < 0) {
            left += std::string(left.empty() ? "" : ", ") + "a stream without a decoder";
            continue;
        }
        c->decoder->pkt_timebase = from->time_base;
        c->decoder->err_recognition = 0;
        c->decoder->thread_count = 1;
        if (avcodec_open2(c->decoder.get(), decoder, nullptr) < 0) {
            left += std::string(left.empty() ? "" : ", ") + "a stream without a decoder";
            continue;
        }
        EncoderWish wish;
        wish.like = par;
        wish.nearest = true;
        wish.frameRate = from->avg_frame_rate.num > 0 ? from->avg_frame_rate : from->r_frame_rate;
        if (c->video && par->bit_rate <= 0 && in->bit_rate > soundRate)
            wish.bitRate = in->bit_rate - soundRate;
        std::string why;
        c->encoder = openEncoder(wish, output, why);
        if (!c->encoder) {
            left += std::string(left.empty() ? "" : ", ") + why;
            continue;
        }
        c->out = avformat_new_stream(output.format(), nullptr);
        if (!c->out || avcodec_parameters_from_context(c->out->codecpar, c->encoder.get()) < 0) {
            attempt.failure = "out of memory";
            return attempt;
        }
        c->out->time_base = c->encoder->time_base;
        if (c->video) {
            c->out->avg_frame_rate = c->encoder->framerate;
            c->fill = fillPicture(*c->encoder, fill);
        } else {
            c->fifo = av_audio_fifo_alloc(c->encoder->sample_fmt, c->encoder->ch_layout.nb_channels,
                                          4096);
        }
        if ((c->video && !c->fill) || (!c->video && !c->fifo)) {
            attempt.failure = "out of memory";
            return attempt;
        }
        av_dict_copy(&c->out->metadata, from->metadata, 0);
        // Every stream starts on the file's common clock, so that sync stays.
        if (in->start_time != AV_NOPTS_VALUE)
            c->start = av_rescale_q(in->start_time, AV_TIME_BASE_Q, from->time_base);
        byInput[i] = c.get();
        coders.push_back(std::move(c));
    }
    if (std::string why = output.writeHeader(); !why.empty()) {
        attempt.failure = coders.empty() && !left.empty() ? left : why;
        return attempt;
    }

    Reencoder reencoder(output);
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    std::string failure;
    while (failure.empty() && av_read_frame(in, packet.get()) >= 0) {
        if (cancel && cancel->load()) {
            attempt.cancelled = true;
            return attempt;
        }
        const auto stream = static_cast<unsigned>(packet->stream_index);
        if (stream < byInput.size() && byInput[stream])
            failure = reencoder.decode(*byInput[stream], packet.get(), frame.get());
        av_packet_unref(packet.get());
    }
    for (auto &c : coders) {
        if (failure.empty())
            failure = reencoder.decode(*c, nullptr, frame.get());
        if (failure.empty() && !c->video)
            failure = reencoder.drain(*c, true);
        if (failure.empty())
            failure = reencoder.encode(*c, nullptr);
    }
    if (failure.empty() && input.readError())
        failure = systemErrorText(input.readError());
    if (failure.empty())
        failure = output.finish();
    if (!failure.empty()) {
        attempt.failure = failure;
        return attempt;
    }

    // What was decoded against what the copy holds, per stream; the least
    // kept share is the file's.
    int kept = 100;
    std::string codecs, decodedText, filledText, concealedText;
    bool any = false;
    for (const auto &c : coders) {
        codecs += std::string(codecs.empty() ? "" : " and ") + c->encoder->codec->name;
        if (c->video) {
            const std::int64_t all = c->decoded + c->filled;
            any = any || c->decoded > 0;
            if (all > 0)
                kept = std::min(kept, static_cast<int>(c->decoded * 100 / all));
            decodedText += std::string(decodedText.empty() ? "" : ", ") +
                           std::to_string(c->decoded) + " of " + std::to_string(all) + " frames";
            if (c->filled > 0)
                filledText +=
                    std::string(filledText.empty() ? "" : ", ") +
                    seconds(static_cast<double>(c->filled) * av_q2d(c->encoder->time_base)) +
                    " of picture";
            if (c->concealed > 0)
                concealedText += std::string(concealedText.empty() ? "" : ", ") +
                                 std::to_string(c->concealed) + " frames";
        } else {
            const std::int64_t got = c->decoded;
            const std::int64_t all = got + c->filled;
            any = any || got > 0;
            const double rate = c->encoder->sample_rate;
            if (all > 0)
                kept = std::min(kept, static_cast<int>(got * 100 / all));
            decodedText += std::string(decodedText.empty() ? "" : ", ") +
                           seconds(static_cast<double>(got) / rate) + " of " +
                           seconds(static_cast<double>(all) / rate) + " of sound";
            if (c->filled > 0)
                filledText += std::string(filledText.empty() ? "" : ", ") +
                              seconds(static_cast<double>(c->filled) / rate) + " of sound";
            if (c->concealed > 0)
                concealedText += std::string(concealedText.empty() ? "" : ", ") +
                                 std::to_string(c->concealed) + " sound frames";
        }
    }
    attempt.written = any;
    if (!any) {
        attempt.failure = "nothing of it decodes";
        return attempt;
    }
    attempt.keptPercent = kept;
    attempt.details = "as " + codecs + ", decoded " + decodedText;
    if (!filledText.empty())
        attempt.details += "; filled " + filledText;
    if (!concealedText.empty())
        attempt.details += "; the decoders concealed errors in " + concealedText;
    if (!left.empty())
        attempt.details += "; left out " + left;
    return attempt;
}

} // namespace mendora::repair::detail
