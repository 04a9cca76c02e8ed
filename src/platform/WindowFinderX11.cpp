#include "platform/Platform.h"

#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb.h>

namespace mendora::platform {

namespace {

class XcbConnection {
public:
    XcbConnection() {
        if (const char *display = std::getenv("DISPLAY"); display && *display) {
            conn_ = xcb_connect(nullptr, &screen_);
            if (xcb_connection_has_error(conn_)) {
                xcb_disconnect(conn_);
                conn_ = nullptr;
            }
        }
    }
    ~XcbConnection() {
        if (conn_)
            xcb_disconnect(conn_);
    }
    XcbConnection(const XcbConnection &) = delete;
    XcbConnection &operator=(const XcbConnection &) = delete;

    xcb_connection_t *get() const { return conn_; }

    xcb_window_t root() const {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn_));
        for (int i = 0; i < screen_ && it.rem; ++i)
            xcb_screen_next(&it);
        return it.data->root;
    }

    xcb_atom_t atom(const char *name) const {
        auto cookie = xcb_intern_atom(conn_, 0, static_cast<uint16_t>(std::strlen(name)), name);
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(conn_, cookie, nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return result;
    }

    // The raw bytes of a window property, or nothing when it is absent.
    bool property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                  std::vector<char> &out) const {
        auto cookie = xcb_get_property(conn_, 0, window, property, type, 0, 1u << 20);
        xcb_get_property_reply_t *reply = xcb_get_property_reply(conn_, cookie, nullptr);
        if (!reply)
            return false;
        const bool present = reply->type != XCB_ATOM_NONE;
        const int length = xcb_get_property_value_length(reply);
        const char *data = static_cast<const char *>(xcb_get_property_value(reply));
        out.assign(data, data + length);
        std::free(reply);
        return present;
    }

private:
    xcb_connection_t *conn_ = nullptr;
    int screen_ = 0;
};

class X11WindowFinder : public WindowFinder {
public:
    std::optional<WindowHandle> findByTitle(const std::string &title) override {
        XcbConnection x;
        if (!x.get())
            return std::nullopt;
        const xcb_atom_t netName = x.atom("_NET_WM_NAME");
        const xcb_atom_t utf8 = x.atom("UTF8_STRING");
        for (xcb_window_t window : topLevelWindows(x)) {
            std::vector<char> name;
            if (!x.property(window, netName, utf8, name))
                x.property(window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, name);
            if (std::string(name.begin(), name.end()) == title)
                return window;
        }
        return std::nullopt;
    }

    void requestClose(WindowHandle window) override {
        XcbConnection x;
        if (!x.get())
            return;
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = static_cast<xcb_window_t>(window);
        event.type = x.atom("WM_PROTOCOLS");
        event.data.data32[0] = x.atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(x.get(), 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&event));
        // A round trip: the request has reached the server when the reply arrives.
        std::free(xcb_get_input_focus_reply(x.get(), xcb_get_input_focus(x.get()), nullptr));
    }

private:
    // The window manager's client list, or the root's children without one.
    static std::vector<xcb_window_t> topLevelWindows(const XcbConnection &x) {
        std::vector<char> raw;
        std::vector<xcb_window_t> windows;
        if (x.property(x.root(), x.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, raw) &&
            !raw.empty()) {
            windows.resize(raw.size() / sizeof(xcb_window_t));
            std::memcpy(windows.data(), raw.data(), windows.size() * sizeof(xcb_window_t));
            return windows;
        }
        auto cookie = xcb_query_tree(x.get(), x.root());
        if (xcb_query_tree_reply_t *tree = xcb_query_tree_reply(x.get(), cookie, nullptr)) {
            const xcb_window_t *children = xcb_query_tree_children(tree);
            windows.assign(children, children + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
        return windows;
    }
};

} // namespace

std::unique_ptr<WindowFinder> makeNativeWindowFinder() {
    return std::make_unique<X11WindowFinder>();
}

} // namespace mendora::platform
