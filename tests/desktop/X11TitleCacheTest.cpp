// X11Windows keeps the titles it read and learns of changes from events: a
// change another client made before a call must show in that call, with no
// waiting, and a window id that comes back must not keep its old title.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/desktop/linux/X11Windows.h"

namespace {

using platform::WindowId;

// Another client, with windows it names and destroys itself.
class OtherClient {
public:
    OtherClient() : c_(xcb_connect(nullptr, nullptr), xcb_disconnect) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_.get())).data->root;
    }

    xcb_window_t newId() { return xcb_generate_id(c_.get()); }

    void create(xcb_window_t window, const std::string& title) {
        xcb_create_window(c_.get(), XCB_COPY_FROM_PARENT, window, root_, 0, 0, 100, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        setProperty(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
        sync();
    }
    void setProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, const std::string& text) {
        xcb_change_property(c_.get(), XCB_PROP_MODE_REPLACE, window, property, type, 8,
                            static_cast<uint32_t>(text.size()), text.data());
        sync();
    }
    void destroy(xcb_window_t window) {
        xcb_destroy_window(c_.get(), window);
        sync();
    }
    xcb_atom_t atom(const std::string& name) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(c_.get(), xcb_intern_atom(c_.get(), 0, static_cast<uint16_t>(name.size()),
                                                            name.data()),
                                  nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

private:
    // Once the server answered, it has carried out every request before.
    void sync() { std::free(xcb_get_input_focus_reply(c_.get(), xcb_get_input_focus(c_.get()), nullptr)); }

    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> c_;
    xcb_window_t root_ = XCB_WINDOW_NONE;
};

class X11TitleCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (run under scripts/virtual-desktop)";
    }

    platform::X11Windows windows;
};

TEST_F(X11TitleCacheTest, ChangedTitlesShowAtTheNextCall) {
    OtherClient other;
    const xcb_window_t window = other.newId();
    other.create(window, "Talvora Cached");
    ASSERT_EQ(windows.title(window), "Talvora Cached");
    EXPECT_EQ(windows.find("Talvora Cached"), window);

    other.setProperty(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "Talvora Renamed");
    EXPECT_EQ(windows.title(window), "Talvora Renamed");
    EXPECT_EQ(windows.find("Talvora Cached"), 0u);
    EXPECT_EQ(windows.find("Talvora Renamed"), window);

    // _NET_WM_NAME takes over from WM_NAME as soon as it is set.
    other.setProperty(window, other.atom("_NET_WM_NAME"), other.atom("UTF8_STRING"), "Talvora – Größe");
    EXPECT_EQ(windows.titles({window, window}), (std::vector<std::string>{"Talvora – Größe", "Talvora – Größe"}));
    other.destroy(window);
}

TEST_F(X11TitleCacheTest, AWindowIdThatComesBackHasItsNewTitle) {
    OtherClient other;
    const xcb_window_t window = other.newId();
    other.create(window, "Talvora First Life");
    ASSERT_EQ(windows.title(window), "Talvora First Life");

    other.destroy(window);
    EXPECT_EQ(windows.title(window), "");
    EXPECT_EQ(windows.find("Talvora First Life"), 0u);

    // The client may use the id again; the new window is not watched yet.
    other.create(window, "Talvora Second Life");
    EXPECT_EQ(windows.title(window), "Talvora Second Life");
    other.destroy(window);
    other.create(window, "Talvora Third Life");
    EXPECT_EQ(windows.find("Talvora Third Life"), window);
    other.destroy(window);
}

}  // namespace
