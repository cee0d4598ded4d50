#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/media/linux/PictureConverter.h"

namespace platform {
namespace {

struct Colour {
    std::uint8_t r, g, b;
    int y, u, v;  // BT.601 studio range, as players expect of these codecs
};
constexpr Colour kColours[] = {
    {255, 0, 0, 82, 90, 240},  {0, 255, 0, 145, 54, 34},    {0, 0, 255, 41, 240, 110},
    {255, 255, 255, 235, 128, 128}, {0, 0, 0, 16, 128, 128},
};

ffmpeg::FramePtr picture(int width, int height) {
    ffmpeg::FramePtr frame(av_frame_alloc());
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    return frame;
}

// Packed pixels, B G R (X) as the screen delivers them, in rows of `stride`
// bytes; the left half of every row one colour, the right half another.
std::vector<std::uint8_t> halves(int width, int height, int bitsPerPixel, int stride, const Colour& left,
                                 const Colour& right) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * height, 0x5a);
    const int bytes = bitsPerPixel / 8;
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            const Colour& c = x < width / 2 ? left : right;
            std::uint8_t* p = &pixels[static_cast<std::size_t>(row) * stride + x * bytes];
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
            if (bytes == 4) p[3] = 0;
        }
    return pixels;
}

void expectColour(const AVFrame& frame, int x, int y, const Colour& c) {
    SCOPED_TRACE(testing::Message() << "at " << x << "," << y << " rgb " << int(c.r) << "," << int(c.g) << ","
                                    << int(c.b));
    EXPECT_NEAR(frame.data[0][y * frame.linesize[0] + x], c.y, 2);
    EXPECT_NEAR(frame.data[1][y / 2 * frame.linesize[1] + x / 2], c.u, 2);
    EXPECT_NEAR(frame.data[2][y / 2 * frame.linesize[2] + x / 2], c.v, 2);
}

// Every colour on either side, 24 and 32 bits, rows padded past the picture:
// a swap of red and blue, the wrong range or a stride taken as the width
// shows in these samples.
TEST(PictureConverterTest, SameSizePicturesKeepTheirColoursInStudioRange) {
    constexpr int kWidth = 64, kHeight = 32;
    for (int bits : {24, 32}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        PictureConverter converter;
        ASSERT_EQ(converter.open(kWidth, kHeight, bits, kWidth, kHeight, AV_PIX_FMT_YUV420P), 0);
        EXPECT_FALSE(converter.scales());
        const int stride = kWidth * bits / 8 + 40;
        for (std::size_t i = 0; i < std::size(kColours); ++i) {
            const Colour& left = kColours[i];
            const Colour& right = kColours[(i + 1) % std::size(kColours)];
            const auto pixels = halves(kWidth, kHeight, bits, stride, left, right);
            auto frame = picture(kWidth, kHeight);
            converter.convert(pixels.data(), stride, *frame);
            expectColour(*frame, 4, 2, left);
            expectColour(*frame, kWidth - 4, kHeight - 2, right);
        }
    }
}

TEST(PictureConverterTest, OtherSizesAreScaledWithTheSameColours) {
    PictureConverter converter;
    ASSERT_EQ(converter.open(101, 51, 32, 64, 32, AV_PIX_FMT_YUV420P), 0);
    EXPECT_TRUE(converter.scales());
    const auto pixels = halves(101, 51, 32, 101 * 4, kColours[0], kColours[2]);
    auto frame = picture(64, 32);
    converter.convert(pixels.data(), 101 * 4, *frame);
    expectColour(*frame, 4, 2, kColours[0]);
    expectColour(*frame, 60, 30, kColours[2]);
}

}  // namespace
}  // namespace platform
