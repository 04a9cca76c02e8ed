// The About photograph's decoder on the real picture and on damaged data.
#include "infowindows/JpegDecoder.h"
#include "support/TestFiles.h"
#include "system/Errors.h"

#include <gtest/gtest.h>

namespace {

std::string photo() {
    return mendora::test::readBytes(MENDORA_ABOUT_PHOTO);
}

TEST(JpegDecoder, DecodesThePhotograph) {
    const QImage image = mendora::decodeJpeg(photo());
    ASSERT_EQ(image.size(), QSize(223, 358));
    // A photograph, not one flat colour.
    EXPECT_NE(image.pixel(10, 10), image.pixel(200, 340));
}

TEST(JpegDecoder, DamagedDataRaisesAnErrorInsteadOfEndingTheProgram) {
    const std::string good = photo();
    ASSERT_GT(good.size(), 1000u);
    std::string garbledHeader = good;
    for (std::size_t i = 2; i < 40; ++i)
        garbledHeader[i] = '\x5A';
    std::string garbledScan = good;
    for (std::size_t i = good.size() / 2; i < good.size() / 2 + 64; ++i)
        garbledScan[i] = static_cast<char>(i % 2 ? 0xFF : 0xD3); // stray restart markers
    const struct {
        const char *name;
        std::string data;
    } cases[] = {
        {"empty", ""},
        {"not a picture", "just some text, not a picture at all"},
        {"garbled header", garbledHeader},
        {"garbled scan data", garbledScan},
        {"truncated to half", good.substr(0, good.size() / 2)},
        {"truncated after the header", good.substr(0, 700)},
    };
    for (const auto &c : cases) {
        try {
            mendora::decodeJpeg(c.data);
            ADD_FAILURE() << c.name << ": decoded";
        } catch (const mendora::Error &e) {
            EXPECT_TRUE(std::string(e.what()).starts_with("The picture cannot be decoded: "))
                << c.name << ": " << e.what();
        }
    }
}

} // namespace
