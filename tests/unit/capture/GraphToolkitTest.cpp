#include <gtest/gtest.h>

#include "capture/GraphToolkit.h"
#include "platform/core/fake/FakeLog.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterRegistry.h"
#include "platform/media/fake/FakePropertyPages.h"

namespace talvora {
namespace {

using platform::Filter;
using platform::PinDirection;

class PinFilter : public Filter {
public:
    PinFilter(int inputs, int outputs, std::string id = "{P}") : Filter(std::move(id)) {
        for (int i = 1; i <= inputs; ++i) addPin("In " + std::to_string(i), PinDirection::Input);
        for (int i = 1; i <= outputs; ++i) addPin("Out " + std::to_string(i), PinDirection::Output);
    }
};

class GraphToolkitTest : public ::testing::Test {
protected:
    GraphToolkitTest() : toolkit(registry, log, pages) {}
    void addRenderer(const std::string& name, const std::string& id) {
        registry.addEntry(platform::kLegacyFilterCategory,
                          {name, id, [id] { return std::make_shared<PinFilter>(1, 0, id); }});
    }
    platform::FilterRegistry registry;
    platform::FakeLog log;
    platform::FakePropertyPages pages;
    GraphToolkit toolkit;
};

TEST_F(GraphToolkitTest, PinListsStopAtElevenAndPinsMatchExactly) {
    auto filter = std::make_shared<PinFilter>(15, 2);
    ASSERT_EQ(toolkit.DescribePins(filter.get()), platform::S_OK);
    EXPECT_EQ(toolkit.inputPinNames().count(), 11);
    EXPECT_EQ(toolkit.outputPinNames().count(), 2);
    EXPECT_EQ(toolkit.FindPin(filter.get(), PinDirection::Output, "In 1"), nullptr);
    EXPECT_NE(toolkit.FindPin(filter.get(), PinDirection::Input, "In 1"), nullptr);
    EXPECT_EQ(toolkit.FindPin(filter.get(), PinDirection::Input, "in 1"), nullptr);
    int count = 0;
    EXPECT_EQ(toolkit.CountTotalPins(nullptr, &count), platform::E_POINTER);
    EXPECT_EQ(toolkit.CollectInputPinNames(nullptr), platform::E_NOINTERFACE);
    EXPECT_EQ(log.lines().back(), "\r\nERROR pFilter=0");
}

TEST_F(GraphToolkitTest, NamedFiltersAndTheSecondVideoRenderer) {
    addRenderer("Video Renderer", "{first}");
    addRenderer("Video Renderer", "{second}");
    addRenderer("Tee", "{tee1}");
    addRenderer("Tee", "{tee2}");
    EXPECT_EQ(toolkit.FindFilterByName(platform::kLegacyFilterCategory, "video renderer"), nullptr);
    EXPECT_EQ(toolkit.FindFilterByName(platform::kLegacyFilterCategory, "Tee")->classId(), "{tee2}");
    EXPECT_EQ(toolkit.FindFirstFilterByName(platform::kLegacyFilterCategory, "Tee")->classId(), "{tee1}");

    platform::FilterGraph graph(registry);
    auto renderer = toolkit.AddFilterByName(graph, platform::kLegacyFilterCategory, "Video Renderer");
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(renderer->classId(), "{second}");
    EXPECT_EQ(graph.findFilter("Video Renderer"), renderer);

    // A second add of the same name fails in the graph but still hands the filter back.
    EXPECT_NE(toolkit.AddFilterByName(graph, platform::kLegacyFilterCategory, "Video Renderer"), nullptr);
    EXPECT_NE(log.lines().back().find("Failed to add Video Renderer filter to graph!  hr=0x8004022d"),
              std::string::npos);
    EXPECT_EQ(toolkit.AddFilterByName(graph, platform::kLegacyFilterCategory, "Nothing"), nullptr);
    EXPECT_EQ(log.lines().back(), "\r\nFailed to find Nothing filter");
}

TEST_F(GraphToolkitTest, CategoryListingAndPropertyPages) {
    EXPECT_EQ(toolkit.ListCategoryNames(platform::kAudioCaptureCategory), platform::S_OK);
    EXPECT_EQ(toolkit.deviceNames().count(), 0);
    EXPECT_EQ(log.lines().back(), "\r\n\r\nFilters=0");
    for (int i = 0; i < 14; ++i) addRenderer("Device " + std::to_string(i), "{d}");
    toolkit.ListCategoryNames(platform::kLegacyFilterCategory);
    EXPECT_EQ(toolkit.deviceNames().count(), 11);

    auto plain = std::make_shared<PinFilter>(1, 1);
    EXPECT_NE(toolkit.ShowPropertyPages(plain.get()), 0);
    EXPECT_FALSE(toolkit.hasPropertyPages());
    EXPECT_TRUE(pages.shown.empty());

    std::shared_ptr<Filter> missing;
    EXPECT_EQ(toolkit.CreateFilter("{unknown}", &missing), platform::E_FAIL);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(log.lines().back(), "CreateFilter: Failed to create filter!  hr=0x80004005\n");
}

}  // namespace
}  // namespace talvora
