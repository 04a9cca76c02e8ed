#include "infowindows/JpegDecoder.h"

#include "system/Errors.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace mendora {

namespace {

// Larger pictures than this are taken as a garbled header rather than
// allocated.
constexpr JDIMENSION kMaxSide = 16384;

// libjpeg's own error manager ends the process on an error; this one jumps
// back into decodeJpeg, which turns the message into an exception.
struct Decoder {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    std::jmp_buf escape{};
    char message[JMSG_LENGTH_MAX] = {};
    QImage image;
};

Decoder &decoderOf(j_common_ptr info) {
    // `info` is the first member of Decoder.
    return *reinterpret_cast<Decoder *>(info);
}

[[noreturn]] void failDecoding(j_common_ptr info) {
    Decoder &decoder = decoderOf(info);
    (*info->err->format_message)(info, decoder.message);
    std::longjmp(decoder.escape, 1);
}

// Our own refusals take the same way out as libjpeg's errors.
[[noreturn]] void refuse(Decoder &decoder, const char *reason) {
    std::snprintf(decoder.message, sizeof decoder.message, "%s", reason);
    std::longjmp(decoder.escape, 1);
}

// Warnings (level -1) mean corrupt data that libjpeg would patch over; they
// fail the decoding too. Trace messages (level >= 0) are ignored.
void onMessage(j_common_ptr info, int level) {
    if (level < 0)
        failDecoding(info);
}

} // namespace

QImage decodeJpeg(std::string_view data) {
    // Everything the jump may cross lives on the heap, so no local object is
    // changed between setjmp and longjmp.
    const auto decoder = std::make_unique<Decoder>();
    jpeg_decompress_struct *const info = &decoder->info;
    info->err = jpeg_std_error(&decoder->errors);
    decoder->errors.error_exit = failDecoding;
    decoder->errors.emit_message = onMessage;
    if (setjmp(decoder->escape)) {
        jpeg_destroy_decompress(info);
        throw Error(std::string("The picture cannot be decoded: ") + decoder->message);
    }
    jpeg_create_decompress(info);
    jpeg_mem_src(info, reinterpret_cast<const unsigned char *>(data.data()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(info, TRUE);
    if (info->image_width > kMaxSide || info->image_height > kMaxSide)
        refuse(*decoder, "it is larger than the program accepts");
    info->out_color_space = JCS_RGB;
    jpeg_start_decompress(info);
    decoder->image = QImage(static_cast<int>(info->output_width),
                            static_cast<int>(info->output_height), QImage::Format_RGB888);
    if (decoder->image.isNull())
        refuse(*decoder, "out of memory");
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = decoder->image.scanLine(static_cast<int>(info->output_scanline));
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    jpeg_destroy_decompress(info);
    return std::move(decoder->image);
}

} // namespace mendora
