#include "mediacheck/BmpLayout.h"
#include "mediacheck/ByteSource.h"
#include "mediacheck/Bytes.h"
#include "repair/Attempt.h"
#include "repair/Repair.h"
#include "system/FileErrors.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace mendora::repair::detail {

namespace {

using mediacheck::Damage;
using mediacheck::DamageMap;
using mediacheck::DamageUnit;

// The first picture row that the damage spoils, from the map's rows; or the
// picture's height when the map names no rows.
std::int64_t firstSpoiltRow(const DamageMap &damage, std::int64_t height) {
    std::int64_t row = height;
    for (const Damage &d : damage.stretches)
        if (d.rows)
            row = std::min(row, d.rows->begin);
    return std::max<std::int64_t>(row, 0);
}

void putLe32(std::string &bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}

int writeAll(files::NewFile &out, const std::string &bytes) {
    if (const int error = out.writeAt(0, bytes.data(), bytes.size()))
        return error;
    return out.flush();
}

// ---------------------------------------------------------------------------
// BMP

// One pixel of the fill colour in the picture's format, as its bytes.
std::string fillPixel(const mediacheck::BmpLayout &l, const std::string &head, std::uint32_t fill) {
    const unsigned r = fill >> 16 & 0xff, g = fill >> 8 & 0xff, b = fill & 0xff;
    if (l.bits == 24)
        return {char(b), char(g), char(r)};
    if (l.bits == 32)
        return {char(b), char(g), char(r), char(0xff)};
    if (l.bits == 16) {
        const unsigned v = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
        return {char(v), char(v >> 8)};
    }
    // A palette: the entry nearest the fill colour.
    const std::size_t palette = 14 + l.infoSize;
    const std::size_t entry = l.infoSize == 12 ? 3 : 4;
    unsigned best = 0, bestDistance = ~0u;
    for (unsigned i = 0; i < (1u << l.bits) && palette + (i + 1) * entry <= head.size(); ++i) {
        const auto *p = reinterpret_cast<const unsigned char *>(head.data() + palette + i * entry);
        const int db = int(p[0]) - int(b), dg = int(p[1]) - int(g), dr = int(p[2]) - int(r);
        const unsigned distance = unsigned(db * db + dg * dg + dr * dr);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return {char(best)};
}

// A row of `width` pixels of the fill colour, padded to the stride.
std::string fillRow(const mediacheck::BmpLayout &l, const std::string &pixel,
                    std::uint32_t fillIndex) {
    std::string row(static_cast<std::size_t>(l.stride()), '\0');
    if (l.bits >= 16) {
        for (std::int64_t x = 0; x < l.width; ++x)
            std::memcpy(row.data() + x * static_cast<std::int64_t>(pixel.size()), pixel.data(),
                        pixel.size());
        return row;
    }
    // 1, 4 or 8 bits: the index repeated across each byte.
    unsigned char byte = 0;
    for (unsigned bit = 0; bit < 8; bit += l.bits)
        byte = static_cast<unsigned char>(byte << l.bits | (fillIndex & ((1u << l.bits) - 1)));
    const std::int64_t used = (l.width * l.bits + 7) / 8;
    std::fill_n(row.begin(), used, static_cast<char>(byte));
    return row;
}

Attempt repairBmp(const std::string &bytes, files::NewFile &out, int strategy, std::uint32_t fill) {
    Attempt attempt;
    attempt.action = strategy == Crop ? "cropped" : "filled";
    mediacheck::MemorySource source(bytes);
    mediacheck::BmpHeaderFault fault;
    const auto layout = mediacheck::readBmpLayout(source, fault);
    if (!layout) {
        attempt.failure = "its header cannot be read";
        return attempt;
    }
    const mediacheck::BmpLayout &l = *layout;
    if (!l.plain()) {
        attempt.failure = "compressed BMP pixels are not repaired here";
        return attempt;
    }
    const std::int64_t stride = l.stride();
    const std::int64_t present = std::min(
        l.rows(), std::max<std::int64_t>(0, std::int64_t(bytes.size()) - l.offset) / stride);
    if (present == 0) {
        attempt.failure = "no row of the picture is there";
        return attempt;
    }
    const std::int64_t rows = strategy == Crop ? present : l.rows();
    // The headers as they are, with the sizes and, for Crop, the height made
    // to fit the rows written.
    std::string copy = bytes.substr(0, static_cast<std::size_t>(l.offset));
    copy.append(bytes, static_cast<std::size_t>(l.offset),
                static_cast<std::size_t>(present * stride));
    const std::string pixel = fillPixel(l, copy, fill);
    const std::string row = fillRow(l, pixel, static_cast<unsigned char>(pixel[0]));
    for (std::int64_t i = present; i < rows; ++i)
        copy += row;
    putLe32(copy, 2, static_cast<std::uint32_t>(copy.size()));
    if (l.infoSize >= 40) {
        putLe32(copy, 34, static_cast<std::uint32_t>(rows * stride));
        if (strategy == Crop)
            putLe32(copy, 22, static_cast<std::uint32_t>(l.height < 0 ? -rows : rows));
    } else if (strategy == Crop) {
        copy[20] = static_cast<char>(rows);
        copy[21] = static_cast<char>(rows >> 8);
    }
    if (const int error = writeAll(out, copy)) {
        attempt.failure = systemErrorText(error);
        return attempt;
    }
    attempt.written = true;
    attempt.keptPercent = static_cast<int>(present * 100 / l.rows());
    attempt.details =
        "kept " + std::to_string(present) + " of " + std::to_string(l.rows()) + " rows (" +
        std::to_string(attempt.keptPercent) + " %)" +
        (strategy == Crop ? ", the picture cut to them" : ", the rest in the fill colour");
    return attempt;
}

// ---------------------------------------------------------------------------
// JPEG

struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf escape{};
};

[[noreturn]] void jpegFails(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors *>(info->err)->escape, 1);
}

// Warnings are the damage itself: the coefficients are read on past it.
void jpegWarns(j_common_ptr, int) {}

// The fill colour's value in a component of a JFIF picture (Y, Cb, Cr).
int componentValue(std::uint32_t fill, int component, int components) {
    const double r = fill >> 16 & 0xff, g = fill >> 8 & 0xff, b = fill & 0xff;
    if (components != 3 || component == 0)
        return static_cast<int>(0.299 * r + 0.587 * g + 0.114 * b + 0.5);
    if (component == 1)
        return static_cast<int>(-0.168736 * r - 0.331264 * g + 0.5 * b + 128.5);
    return static_cast<int>(0.5 * r - 0.418688 * g - 0.081312 * b + 128.5);
}

struct JpegState {
    jpeg_decompress_struct in{};
    jpeg_compress_struct out{};
    JpegErrors errors; // of the reading and the writing both
    std::string input; // what libjpeg reads
    unsigned char *written = nullptr;
    unsigned long writtenSize = 0;
    bool inCreated = false, outCreated = false;
    ~JpegState() {
        if (outCreated)
            jpeg_destroy_compress(&out);
        if (inCreated)
            jpeg_destroy_decompress(&in);
        std::free(written);
    }
};

Attempt repairJpeg(const std::string &bytes, files::NewFile &out, int strategy, std::uint32_t fill,
                   const DamageMap &damage) {
    Attempt attempt;
    attempt.action = strategy == Crop ? "cropped" : "filled";
    // The jumps may cross this function's frames: what they use is on the heap.
    const auto s = std::make_unique<JpegState>();
    s->in.err = jpeg_std_error(&s->errors.manager);
    s->out.err = s->in.err;
    s->errors.manager.error_exit = jpegFails;
    s->errors.manager.emit_message = jpegWarns;
    if (setjmp(s->errors.escape) != 0) {
        attempt.failure = "its coefficients cannot be read or written again";
        return attempt;
    }
    // libjpeg reads the picture up to where the damage begins, and then an
    // end marker: what follows cannot be trusted, and may stop it outright.
    std::int64_t cleanEnd = static_cast<std::int64_t>(bytes.size());
    for (const Damage &d : damage.stretches)
        if (d.unit == DamageUnit::PictureRow)
            cleanEnd = std::min(cleanEnd, d.bytes.begin);
    s->input = bytes.substr(0, static_cast<std::size_t>(cleanEnd)) + "\xFF\xD9";
    jpeg_create_decompress(&s->in);
    s->inCreated = true;
    jpeg_mem_src(&s->in, reinterpret_cast<const unsigned char *>(s->input.data()),
                 static_cast<unsigned long>(s->input.size()));
    jpeg_save_markers(&s->in, JPEG_COM, 0xffff);
    for (int m = 0; m < 16; ++m)
        jpeg_save_markers(&s->in, JPEG_APP0 + m, 0xffff);
    jpeg_read_header(&s->in, TRUE);
    jvirt_barray_ptr *coefficients = jpeg_read_coefficients(&s->in);

    const std::int64_t height = s->in.image_height;
    const int mcuRows = s->in.max_v_samp_factor * DCTSIZE;
    // The rows before the damage, in whole rows of blocks.
    const std::int64_t spoilt = firstSpoiltRow(damage, height);
    const std::int64_t keptRows = spoilt / mcuRows * mcuRows;
    if (strategy == Crop && keptRows == 0) {
        attempt.failure = "no row of blocks before the damage";
        return attempt;
    }
    if (strategy == Fill) {
        for (int c = 0; c < s->in.num_components; ++c) {
            jpeg_component_info &component = s->in.comp_info[c];
            const int quant = component.quant_table ? component.quant_table->quantval[0] : 8;
            const int dc = ((componentValue(fill, c, s->in.num_components) - 128) * 8 +
                            (quant > 0 ? quant / 2 : 0)) /
                           std::max(quant, 1);
            const JDIMENSION firstBlockRow =
                static_cast<JDIMENSION>(keptRows / mcuRows * component.v_samp_factor);
            for (JDIMENSION row = firstBlockRow; row < component.height_in_blocks; ++row) {
                JBLOCKARRAY blocks = (*s->in.mem->access_virt_barray)(
                    reinterpret_cast<j_common_ptr>(&s->in), coefficients[c], row, 1, TRUE);
                for (JDIMENSION x = 0; x < component.width_in_blocks; ++x) {
                    std::fill_n(blocks[0][x], DCTSIZE2, JCOEF(0));
                    blocks[0][x][0] = static_cast<JCOEF>(dc);
                }
            }
        }
    }
    jpeg_create_compress(&s->out);
    s->outCreated = true;
    jpeg_mem_dest(&s->out, &s->written, &s->writtenSize);
    jpeg_copy_critical_parameters(&s->in, &s->out);
    if (strategy == Crop)
        s->out.image_height = static_cast<JDIMENSION>(keptRows);
    jpeg_write_coefficients(&s->out, coefficients);
    // The markers the picture had (EXIF and the others), but for the ones
    // the writer makes itself.
    for (jpeg_saved_marker_ptr m = s->in.marker_list; m; m = m->next) {
        const bool jfif = m->marker == JPEG_APP0 && m->data_length >= 5 &&
                          std::memcmp(m->data, "JFIF", 5) == 0 && s->out.write_JFIF_header;
        const bool adobe = m->marker == JPEG_APP0 + 14 && m->data_length >= 5 &&
                           std::memcmp(m->data, "Adobe", 5) == 0 && s->out.write_Adobe_marker;
        if (!jfif && !adobe)
            jpeg_write_marker(&s->out, m->marker, m->data, m->data_length);
    }
    jpeg_finish_compress(&s->out);
    jpeg_finish_decompress(&s->in);
    const std::string copy(reinterpret_cast<const char *>(s->written), s->writtenSize);
    if (const int error = writeAll(out, copy)) {
        attempt.failure = systemErrorText(error);
        return attempt;
    }
    attempt.written = true;
    attempt.keptPercent = height > 0 ? static_cast<int>(keptRows * 100 / height) : 0;
    attempt.details =
        "kept " + std::to_string(keptRows) + " of " + std::to_string(height) + " rows (" +
        std::to_string(attempt.keptPercent) + " %)" +
        (strategy == Crop ? ", the picture cut to them" : ", the rest in the fill colour");
    return attempt;
}

} // namespace

Attempt repairPicture(const std::string &original, files::NewFile &out, int strategy,
                      std::uint32_t fill, const DamageMap &damage, const std::atomic<bool> *) {
    Attempt attempt;
    std::string bytes;
    if (const int error = files::readWholeFile(original, bytes)) {
        attempt.failure = systemErrorText(error);
        return attempt;
    }
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xff &&
        static_cast<unsigned char>(bytes[1]) == 0xd8)
        return repairJpeg(bytes, out, strategy, fill, damage);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return repairBmp(bytes, out, strategy, fill);
    attempt.failure = "it does not begin as a JPEG or BMP picture does";
    return attempt;
}

} // namespace mendora::repair::detail
