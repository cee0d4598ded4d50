#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <thread>

#include "platform/media/linux/FramePool.h"

namespace platform {
namespace {

constexpr std::size_t kFrameBytes = 1280 * 720 * 4;

TEST(FramePoolTest, HandsOutTheSameBufferAgainOnceItsLastHolderLetsGo) {
    FramePool pool(kFrameBytes, 4);
    auto first = pool.take();
    ASSERT_TRUE(first);
    ASSERT_EQ(first->data.size(), kFrameBytes);
    const std::uint8_t* bytes = first->data.data();
    first->pts_100ns = 400'000;
    first->stride = 5120;
    first->keyFrame = true;
    // Downstream holds the sample as a const sample, as queues and the
    // preview do, and lets go of it on a thread of its own.
    SamplePtr held = std::move(first);
    std::thread([held = std::move(held)]() mutable { held.reset(); }).join();

    for (int frame = 0; frame < 3; ++frame) {
        auto again = pool.take();
        ASSERT_TRUE(again);
        EXPECT_EQ(again->data.data(), bytes);
        EXPECT_EQ(again->data.size(), kFrameBytes);
        EXPECT_EQ(again->pts_100ns, 0);
        EXPECT_EQ(again->stride, 0);
        EXPECT_FALSE(again->keyFrame);
    }
    EXPECT_EQ(pool.made(), 1u);
}

TEST(FramePoolTest, ABufferSomeoneStillHoldsIsNeverHandedOutAndTheCountIsBounded) {
    FramePool pool(kFrameBytes, 3);
    auto a = pool.take();
    SamplePtr queued = a;  // a queue downstream still holds it
    a.reset();
    auto b = pool.take();
    auto c = pool.take();
    ASSERT_TRUE(b && c);
    const std::set<const std::uint8_t*> distinct{queued->data.data(), b->data.data(), c->data.data()};
    EXPECT_EQ(distinct.size(), 3u);
    // All three are held: no fourth, and none of them again.
    EXPECT_FALSE(pool.take());
    EXPECT_EQ(pool.made(), 3u);

    const std::uint8_t* released = queued->data.data();
    queued.reset();
    auto d = pool.take();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->data.data(), released);
    EXPECT_FALSE(pool.take());
}

TEST(FramePoolTest, ASampleMayOutliveItsPool) {
    std::shared_ptr<MediaSample> late;
    {
        FramePool pool(64, 2);
        late = pool.take();
    }
    ASSERT_TRUE(late);
    late->data[63] = 1;
    late.reset();  // freed, not handed back: nothing to see but for a sanitizer
}

}  // namespace
}  // namespace platform
