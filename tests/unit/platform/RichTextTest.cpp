#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "platform/shell/linux/UnrtfRichText.h"

namespace {

TEST(UnrtfRichTextTest, ConvertsTheShippedInstructions) {
    std::ifstream in(std::string(TALVORA_SOURCE_DIR) + "/resources/Microphone_Setup_1.rtf", std::ios::binary);
    std::stringstream rtf;
    rtf << in.rdbuf();
    ASSERT_FALSE(rtf.str().empty());
    platform::UnrtfRichText converter;
    const auto html = converter.toHtml(rtf.str());
    ASSERT_TRUE(html.has_value());
    EXPECT_NE(html->find("<b>Setting up your microphone</b>"), std::string::npos);
    EXPECT_EQ(html->find("\\par"), std::string::npos);
}

}  // namespace
