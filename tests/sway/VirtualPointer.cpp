// Gives a headless wlroots seat a pointer: a zwlr_virtual_pointer_v1 device
// that stays while this program runs, so that `swaymsg seat seat0 cursor ...`
// moves and clicks a pointer that clients see. Prints "ready" once the device
// exists; ends on SIGTERM or when the compositor goes.
#include <wayland-client.h>

#include <cstdio>
#include <cstring>

namespace {

// The two interfaces of wlroots' virtual-pointer protocol (version 1), written
// out by hand with the one request this program sends: the pointer is only
// held, swaymsg moves and clicks the seat's cursor.
const wl_interface pointerInterface = {"zwlr_virtual_pointer_v1", 1, 0, nullptr, 0, nullptr};
const wl_interface* createTypes[] = {&wl_seat_interface, &pointerInterface};
const wl_message managerRequests[] = {{"create_virtual_pointer", "?on", createTypes}};
const wl_interface managerInterface = {
    "zwlr_virtual_pointer_manager_v1", 1, 1, managerRequests, 0, nullptr};

struct Globals {
    wl_seat* seat = nullptr;
    wl_proxy* manager = nullptr;
};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat) {
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, managerInterface.name) == 0) {
        globals->manager =
            static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
    }
}

void globalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {global, globalRemove};

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "virtual-pointer: no Wayland display\n");
        return 1;
    }
    Globals globals;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.seat || !globals.manager) {
        std::fprintf(stderr, "virtual-pointer: the compositor has no virtual pointers\n");
        return 1;
    }
    wl_proxy_marshal_constructor(globals.manager, 0, &pointerInterface, globals.seat, nullptr);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);
    while (wl_display_dispatch(display) != -1) {
    }
    return 0;
}
