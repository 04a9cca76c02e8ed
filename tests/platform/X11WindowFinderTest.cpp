// Runs against a real X server (the test command starts Xvfb).
#include "platform/Platform.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

// A title that no window of a test running beside this one has: CTest may run
// several test processes on the one display.
std::string uniqueTitle(const char *test) {
    return std::string("lame ") + test + " " + std::to_string(::getpid());
}

xcb_atom_t internAtom(xcb_connection_t *c, const char *name) {
    auto *reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// A top-level window of "another program", with a title and WM_DELETE_WINDOW.
struct OtherProgramWindow {
    xcb_connection_t *c = nullptr;
    xcb_window_t window = 0;

    explicit OtherProgramWindow(const std::string &title, bool netWmName) {
        c = xcb_connect(nullptr, nullptr);
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 50, 50, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        const xcb_atom_t nameAtom =
            netWmName ? internAtom(c, "_NET_WM_NAME") : xcb_atom_t{XCB_ATOM_WM_NAME};
        const xcb_atom_t type =
            netWmName ? internAtom(c, "UTF8_STRING") : xcb_atom_t{XCB_ATOM_STRING};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, nameAtom, type, 8,
                            static_cast<uint32_t>(title.size()), title.data());
        const xcb_atom_t deleteWindow = internAtom(c, "WM_DELETE_WINDOW");
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, internAtom(c, "WM_PROTOCOLS"),
                            XCB_ATOM_ATOM, 32, 1, &deleteWindow);
        xcb_map_window(c, window);
        xcb_aux_sync();
    }
    void xcb_aux_sync() {
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    ~OtherProgramWindow() { xcb_disconnect(c); }

    // True when a WM_DELETE_WINDOW request has arrived.
    bool closeRequested() {
        const xcb_atom_t deleteWindow = internAtom(c, "WM_DELETE_WINDOW");
        while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
            bool match = false;
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                auto *message = reinterpret_cast<xcb_client_message_event_t *>(event);
                match = message->window == window && message->data.data32[0] == deleteWindow;
            }
            std::free(event);
            if (match)
                return true;
        }
        return false;
    }
};

class X11WindowFinder : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr)
            << "needs an X server (the test command starts Xvfb)";
        finder = mendora::platform::makeNativeWindowFinder();
    }
    std::unique_ptr<mendora::platform::WindowFinder> finder;
};

TEST_F(X11WindowFinder, FindsExactTitleAndDeliversCloseRequest) {
    const std::string title = uniqueTitle("exact");
    OtherProgramWindow lame(title, /*netWmName=*/false);
    OtherProgramWindow other(title + " ", /*netWmName=*/true);
    const auto found = finder->findByTitle(title);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, lame.window);
    finder->requestClose(*found);
    EXPECT_TRUE(lame.closeRequested());
    EXPECT_FALSE(other.closeRequested());
    EXPECT_FALSE(finder->findByTitle("L" + title.substr(1)).has_value()) << "case matters";
}

TEST_F(X11WindowFinder, ReadsNetWmName) {
    const std::string title = uniqueTitle("net");
    OtherProgramWindow window(title, /*netWmName=*/true);
    const auto found = finder->findByTitle(title);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, window.window);
}

TEST_F(X11WindowFinder, NoneWithoutDisplay) {
    const std::string saved = std::getenv("DISPLAY");
    ::unsetenv("DISPLAY");
    EXPECT_FALSE(finder->findByTitle("lame").has_value());
    ::setenv("DISPLAY", saved.c_str(), 1);
}

} // namespace
