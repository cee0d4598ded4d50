#include <gtest/gtest.h>

#include <cstring>
#include <random>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include "platform/media/linux/ChangedRowsConverter.h"
#include "platform/media/linux/VideoFrameEncoder.h"

namespace platform {
namespace {

constexpr int kFlags = SWS_BICUBIC | SWS_FULL_CHR_H_INP;
constexpr int kWidth = 160;
constexpr int kHeight = 202;  // three whole bands and a short one

ffmpeg::FramePtr pictureOf(AVPixelFormat format) {
    ffmpeg::FramePtr picture(av_frame_alloc());
    picture->format = format;
    picture->width = kWidth;
    picture->height = kHeight;
    EXPECT_EQ(av_frame_get_buffer(picture.get(), 0), 0);
    return picture;
}

// What a conversion of the whole frame gives.
ffmpeg::FramePtr wholeConversion(const MediaSample& frame, AVPixelFormat format) {
    ffmpeg::FramePtr picture = pictureOf(format);
    ffmpeg::SwsContextPtr scaler(sws_getContext(kWidth, kHeight, AV_PIX_FMT_BGR0, kWidth, kHeight, format, kFlags,
                                                nullptr, nullptr, nullptr));
    const std::uint8_t* planes[4] = {frame.data.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {frame.stride, 0, 0, 0};
    sws_scale(scaler.get(), planes, strides, 0, kHeight, picture->data, picture->linesize);
    return picture;
}

// The rows of every plane that differ between two pictures.
int rowsDiffering(const AVFrame& a, const AVFrame& b) {
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(a.format));
    int differing = 0;
    for (int plane = 0; plane < 3; ++plane) {
        const int width = plane == 0 ? kWidth : kWidth >> format->log2_chroma_w;
        const int height = plane == 0 ? kHeight : kHeight >> format->log2_chroma_h;
        for (int y = 0; y < height; ++y)
            differing += std::memcmp(a.data[plane] + y * a.linesize[plane], b.data[plane] + y * b.linesize[plane],
                                     width) != 0;
    }
    return differing;
}

TEST(ChangedRowsConverterTest, RedoesOnlyChangedBandsAndGivesExactlyTheWholeFramesConversion) {
    for (AVPixelFormat format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P}) {
        SCOPED_TRACE(av_get_pix_fmt_name(format));
        MediaSample frame;
        frame.stride = kWidth * 4 + 32;  // rows of the capture may be padded
        frame.data.resize(static_cast<std::size_t>(frame.stride) * kHeight);
        // Noise: every row's colour differs from its neighbours', which a
        // band converted without its margins gets wrong at its edges.
        std::mt19937 random(7);
        for (auto& byte : frame.data) byte = static_cast<std::uint8_t>(random());
        const auto paint = [&](int y, std::uint8_t value) {
            std::memset(frame.data.data() + static_cast<std::size_t>(y) * frame.stride + 40, value, 60);
        };

        ChangedRowsConverter converter;
        ASSERT_EQ(converter.open({kWidth, kHeight, 32, 25}, format, kFlags), 0);
        ffmpeg::FramePtr picture = pictureOf(format);
        struct Step {
            int row;  // painted before the step; -1: nothing changes
            int bands;
        };
        // A row within a neighbour's margin redoes that band too.
        const Step steps[] = {{-1, 4}, {100, 1}, {-1, 0}, {0, 1}, {127, 2}, {128, 2}, {201, 1}, {-1, 0}};
        for (const Step& step : steps) {
            SCOPED_TRACE(step.row);
            if (step.row >= 0) paint(step.row, static_cast<std::uint8_t>(step.row));
            EXPECT_EQ(converter.convert(frame, *picture, true), step.bands);
            EXPECT_EQ(rowsDiffering(*picture, *wholeConversion(frame, format)), 0);
        }
        // A picture that does not hold the last frame's is converted whole.
        ffmpeg::FramePtr other = pictureOf(format);
        EXPECT_EQ(converter.convert(frame, *other, false), 4);
        EXPECT_EQ(rowsDiffering(*other, *wholeConversion(frame, format)), 0);
    }
}

// The encoder of the recordings converts in bands, on pictures it takes over
// or copies while the codec still holds them (always so at a constant rate,
// where the last picture is kept for repeats): the raw codec shows that each
// picture is still its whole frame's conversion.
TEST(ChangedRowsConverterTest, EveryPictureAnEncoderIsGivenIsItsWholeFramesConversion) {
    for (bool constantRate : {false, true}) {
        SCOPED_TRACE(constantRate);
        VideoFrameEncoder encoder({kWidth, kHeight, 32, 25}, {25, 1}, constantRate);
        ffmpeg::CodecContextPtr codec;
        ASSERT_EQ(StreamEncoder::allocateContext(AV_CODEC_ID_RAWVIDEO, codec), 0);
        codec->width = kWidth;
        codec->height = kHeight;
        codec->pix_fmt = AV_PIX_FMT_YUV420P;
        std::vector<std::vector<std::uint8_t>> pictures;
        StreamEncoder::PacketHandler keep = [&](AVPacket& packet, AVRational) {
            pictures.emplace_back(packet.data, packet.data + packet.size);
            return 0;
        };
        ASSERT_EQ(encoder.open(std::move(codec), keep), 0);

        MediaSample frame;
        frame.stride = kWidth * 4;
        frame.data.resize(static_cast<std::size_t>(frame.stride) * kHeight);
        std::mt19937 random(11);
        for (auto& byte : frame.data) byte = static_cast<std::uint8_t>(random());
        std::vector<std::vector<std::uint8_t>> expected;
        for (int number = 0; number < 6; ++number) {
            // A different band changes each time, the third frame none.
            if (number != 2)
                std::memset(frame.data.data() + static_cast<std::size_t>(number * 36) * frame.stride, number * 40,
                            static_cast<std::size_t>(frame.stride) * 3);
            frame.pts_100ns = number * 400'000;
            ASSERT_EQ(encoder.encode(frame), 0);
            const ffmpeg::FramePtr whole = wholeConversion(frame, AV_PIX_FMT_YUV420P);
            std::vector<std::uint8_t> packed(
                av_image_get_buffer_size(AV_PIX_FMT_YUV420P, kWidth, kHeight, 1));
            av_image_copy_to_buffer(packed.data(), static_cast<int>(packed.size()), whole->data, whole->linesize,
                                    AV_PIX_FMT_YUV420P, kWidth, kHeight, 1);
            expected.push_back(std::move(packed));
        }
        ASSERT_EQ(encoder.flush(), 0);
        ASSERT_EQ(pictures.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_TRUE(pictures[i] == expected[i]) << "picture " << i;
    }
}

TEST(ChangedRowsConverterTest, RefusesWhatBandsCannotGiveExactly) {
    ChangedRowsConverter converter;
    EXPECT_LT(converter.open({kWidth, 201, 32, 25}, AV_PIX_FMT_YUV420P, kFlags), 0);
    EXPECT_LT(converter.open({kWidth, kHeight, 24, 25}, AV_PIX_FMT_YUV420P, kFlags), 0);
    EXPECT_LT(converter.open({kWidth, kHeight, 32, 25}, AV_PIX_FMT_NV12, kFlags), 0);
    MediaSample frame;
    EXPECT_LT(converter.convert(frame, *pictureOf(AV_PIX_FMT_YUV420P), true), 0);
}

}  // namespace
}  // namespace platform
