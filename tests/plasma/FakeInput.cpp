// Real input events for a headless KWin, through its org_kde_kwin_fake_input
// protocol (KWin lets a test client use it when started with
// KWIN_WAYLAND_NO_PERMISSION_CHECKS=1). One action a run, done once KWin has
// received it:
//   varnic_fake_input hold        keeps a device in the seat until ended, so that
//                                 the seat's pointer and keyboard stay for clients
//   varnic_fake_input click X Y left|right   moves the pointer there and clicks
//   varnic_fake_input move X Y
//   varnic_fake_input key Down|Up|Left|Right|Return|Escape...
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "fake-input-client-protocol.h"

namespace {

wl_display* display = nullptr;
org_kde_kwin_fake_input* fakeInput = nullptr;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4) {
        fakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
    }
}

void globalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {global, globalRemove};

void moveTo(const char* x, const char* y) {
    org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_int(std::atoi(x)),
                                                    wl_fixed_from_int(std::atoi(y)));
}

bool run(int argc, char** argv) {
    const std::string action = argv[1];
    if (action == "hold" && argc == 2) {
        wl_display_roundtrip(display);
        std::printf("ready\n");
        std::fflush(stdout);
        while (wl_display_dispatch(display) != -1) {
        }
        return true;
    }
    if (action == "move" && argc == 4) {
        moveTo(argv[2], argv[3]);
        return true;
    }
    if (action == "click" && argc == 5) {
        const std::string which = argv[4];
        if (which != "left" && which != "right") return false;
        const uint32_t button = which == "left" ? BTN_LEFT : BTN_RIGHT;
        moveTo(argv[2], argv[3]);
        wl_display_roundtrip(display);
        org_kde_kwin_fake_input_button(fakeInput, button, WL_POINTER_BUTTON_STATE_PRESSED);
        wl_display_roundtrip(display);
        org_kde_kwin_fake_input_button(fakeInput, button, WL_POINTER_BUTTON_STATE_RELEASED);
        return true;
    }
    if (action == "key" && argc >= 3) {
        const std::map<std::string, uint32_t> keys{{"Down", KEY_DOWN},    {"Up", KEY_UP},
                                                   {"Left", KEY_LEFT},    {"Right", KEY_RIGHT},
                                                   {"Return", KEY_ENTER}, {"Escape", KEY_ESC}};
        for (int i = 2; i < argc; ++i) {
            const auto key = keys.find(argv[i]);
            if (key == keys.end()) return false;
            org_kde_kwin_fake_input_keyboard_key(fakeInput, key->second,
                                                 WL_KEYBOARD_KEY_STATE_PRESSED);
            org_kde_kwin_fake_input_keyboard_key(fakeInput, key->second,
                                                 WL_KEYBOARD_KEY_STATE_RELEASED);
        }
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: varnic_fake_input click X Y left|right | move X Y | key KEY...\n");
        return 2;
    }
    display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "fake-input: no Wayland display\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!fakeInput) {
        std::fprintf(stderr, "fake-input: the compositor offers no org_kde_kwin_fake_input 4\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "Varnic tests", "clicks a tray icon");
    if (!run(argc, argv)) {
        std::fprintf(stderr, "fake-input: unknown action\n");
        return 2;
    }
    // The round trip returns once KWin has handled every request before it.
    const int status = wl_display_roundtrip(display) == -1 ? 1 : 0;
    org_kde_kwin_fake_input_destroy(fakeInput);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return status;
}
