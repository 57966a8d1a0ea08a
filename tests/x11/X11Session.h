#pragma once

#include <xcb/xcb.h>

#include <cstdio>
#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "tests/harness/TestDesktop.h"

namespace varnic::testing {

// A private X display for one test binary or benchmark: its own Xvfb on a
// free display number, optionally a real window manager (openbox), and the
// clients the tests start, with a home and configuration in the log folder.
class X11Session : public TestDesktop {
  public:
    struct Client {
        ChildProcess* process = nullptr;
        std::vector<xcb_window_t> windows;
        pid_t pid() const { return process->pid(); }
    };
    struct Rect {
        unsigned width = 0;
        unsigned height = 0;
    };

    explicit X11Session(bool withWindowManager = true);
    // The connection goes before the server does.
    ~X11Session() override { xcb_disconnect(connection_); }

    const std::string& display() const { return display_; }
    xcb_window_t root() const { return root_; }
    ChildProcess& windowManager() { return *windowManager_; }

    // The project's test client with these options; returns once the window
    // manager manages all its windows.
    Client& startTestClient(const std::vector<std::string>& options);
    // A real program (xlogo, xterm); returns once its window is managed.
    Client& startProgram(const std::vector<std::string>& argv);
    // Ends the client and waits until the window manager has let go of its windows.
    void stopClient(Client& client);

    // Sets a property of any window, as any client of the display may: the
    // hostile values the tests give other clients' windows and the root.
    void setProperty(xcb_window_t window, const char* name, const char* type,
                     const std::vector<std::uint32_t>& items);
    void setText(xcb_window_t window, const char* name, const char* type, std::string_view bytes);

    // Oracles: what the X server and the window manager say, read directly.
    std::vector<xcb_window_t> clientList();
    // The window manager's frame around a client (its top-level ancestor);
    // without a window manager the client itself; zero once it is gone.
    Rect frameGeometry(xcb_window_t client);

    // A window id as the log lines write it.
    static std::string hex(xcb_window_t window) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%x", window);
        return text;
    }

  private:
    xcb_atom_t atom(const char* name);
    void change(xcb_window_t window, const char* name, const char* type, std::uint8_t format,
                std::size_t items, const void* data);
    // How many of the windows the window manager lists.
    std::size_t listed(const std::vector<xcb_window_t>& windows);

    std::string display_;
    ChildProcess* windowManager_ = nullptr;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    std::list<Client> clients_;
};

}  // namespace varnic::testing
