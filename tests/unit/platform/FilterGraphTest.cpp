#include <gtest/gtest.h>

#include <thread>

#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/MediaErrors.h"

namespace platform {
namespace {

std::vector<std::string>* g_order = nullptr;

// A filter with the pins it is given; video out, video in.
class TestFilter : public Filter {
public:
    TestFilter(std::vector<std::string> inputs, std::vector<std::string> outputs, MajorType accepts = MajorType::Video)
        : Filter("{TEST}"), accepts_(accepts) {
        for (auto& n : inputs) addPin(n, PinDirection::Input);
        for (auto& n : outputs) addPin(n, PinDirection::Output);
    }
    MediaType offeredType(const Pin&) const override { return MediaType::ofVideo({64, 48, 32, 5}); }
    HRESULT acceptType(Pin&, const MediaType& type) override {
        return type.major == accepts_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT changeState(FilterState, FilterState to, StreamClock&) override {
        if (g_order) g_order->push_back(name() + (to == FilterState::Stopped ? " stop" : " go"));
        return S_OK;
    }
    void receive(Pin&, const SamplePtr& sample) override { received.push_back(sample); }
    std::vector<SamplePtr> received;

private:
    MajorType accepts_;
};

TEST(FilterGraphTest, NamesPinsAndDirectConnections) {
    FilterRegistry registry;
    FilterGraph graph(registry);
    auto source = std::make_shared<TestFilter>(std::vector<std::string>{}, std::vector<std::string>{"Output"});
    auto sink = std::make_shared<TestFilter>(std::vector<std::string>{"Video Input 01", "Audio Input 01"},
                                             std::vector<std::string>{});
    EXPECT_EQ(graph.addFilter(source, "ScrCap BCK"), S_OK);
    EXPECT_EQ(graph.addFilter(sink, "ScrCap BCK"), VFW_E_DUPLICATE_NAME);
    EXPECT_EQ(graph.addFilter(nullptr, "x"), E_POINTER);
    ASSERT_EQ(graph.addFilter(sink, "Mux"), S_OK);

    EXPECT_EQ(sink->findPin(PinDirection::Output, "Audio Input 01"), nullptr);
    EXPECT_EQ(sink->findPin(PinDirection::Input, "audio input 01"), nullptr);
    Pin* out = source->findPin(PinDirection::Output, "Output");
    Pin* in = sink->findPin(PinDirection::Input, "Video Input 01");
    EXPECT_EQ(graph.connectDirect(in, out), E_INVALIDARG);  // output first
    ASSERT_EQ(graph.connectDirect(out, in), S_OK);
    EXPECT_EQ(in->mediaType().video.width, 64);
    EXPECT_EQ(graph.connectDirect(out, sink->findPin(PinDirection::Input, "Audio Input 01")), VFW_E_ALREADY_CONNECTED);

    auto sample = std::make_shared<MediaSample>();
    out->deliver(sample);
    EXPECT_EQ(sink->received.size(), 1u);

    EXPECT_EQ(graph.removeFilter(sink.get()), S_OK);
    EXPECT_FALSE(out->isConnected());
    EXPECT_EQ(graph.removeFilter(sink.get()), VFW_E_NOT_FOUND);
}

TEST(FilterGraphTest, RenderPrefersGraphFiltersThenAddsARenderer) {
    FilterRegistry registry;
    int created = 0;
    registry.addEntry(kLegacyFilterCategory, {"Video Renderer", "{R}", [&] {
                                                  ++created;
                                                  return std::make_shared<TestFilter>(
                                                      std::vector<std::string>{"Input"}, std::vector<std::string>{});
                                              }});
    FilterGraph graph(registry);
    auto tee = std::make_shared<TestFilter>(std::vector<std::string>{}, std::vector<std::string>{"Output1", "Output2"});
    auto audioOnly = std::make_shared<TestFilter>(std::vector<std::string>{"In"}, std::vector<std::string>{},
                                                  MajorType::Audio);
    graph.addFilter(tee, "Tee");
    graph.addFilter(audioOnly, "WAV Dest");
    ASSERT_EQ(graph.render(tee->findPin(PinDirection::Output, "Output2")), S_OK);
    EXPECT_EQ(created, 1);  // the audio input did not take video
    EXPECT_TRUE(graph.findFilter("Video Renderer"));
    ASSERT_EQ(graph.render(tee->findPin(PinDirection::Output, "Output1")), S_OK);
    EXPECT_TRUE(graph.findFilter("Video Renderer 0001"));
    EXPECT_EQ(graph.render(nullptr), E_POINTER);
}

TEST(FilterGraphTest, StatesRunSinksFirstAndStopSourcesFirst) {
    std::vector<std::string> order;
    g_order = &order;
    {
        FilterRegistry registry;
        FilterGraph graph(registry);
        auto source = std::make_shared<TestFilter>(std::vector<std::string>{}, std::vector<std::string>{"Out"});
        auto middle = std::make_shared<TestFilter>(std::vector<std::string>{"In"}, std::vector<std::string>{"Out"});
        auto sink = std::make_shared<TestFilter>(std::vector<std::string>{"In"}, std::vector<std::string>{});
        graph.addFilter(source, "source");
        graph.addFilter(sink, "sink");
        graph.addFilter(middle, "middle");
        graph.connectDirect(source->pins()[0].get(), middle->findPin(PinDirection::Input, "In"));
        graph.connectDirect(middle->findPin(PinDirection::Output, "Out"), sink->pins()[0].get());
        ASSERT_EQ(graph.run(), S_OK);
        EXPECT_EQ(graph.connectDirect(source->pins()[0].get(), sink->pins()[0].get()), VFW_E_NOT_STOPPED);
        graph.stop();
        EXPECT_EQ(order, (std::vector<std::string>{"sink go", "middle go", "source go", "source stop", "middle stop",
                                                   "sink stop"}));
    }
    g_order = nullptr;
}

TEST(StreamClockTest, PausedTimeDoesNotCount) {
    StreamClock clock;
    clock.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    clock.pause();
    const auto atPause = clock.now_100ns();
    EXPECT_GE(atPause, 300000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(clock.now_100ns(), atPause);
    clock.resume();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_LT(clock.now_100ns() - atPause, 400000);
    EXPECT_GE(clock.now_100ns() - atPause, 100000);
}

}  // namespace
}  // namespace platform
