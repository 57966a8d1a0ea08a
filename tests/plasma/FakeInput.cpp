// Real input events for a headless KWin, through its org_kde_kwin_fake_input
// protocol (KWin lets a test client use it when started with
// KWIN_WAYLAND_NO_PERMISSION_CHECKS=1). One action a run, done once KWin has
// received it:
//   varnic_fake_input hold        keeps a device in the seat until ended, so that
//                                 the seat's pointer and keyboard stay for clients
//   varnic_fake_input click X Y left|right   moves the pointer there and clicks
//   varnic_fake_input key Down|Up|Return|Escape...
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
    if (action == "click" && argc == 5) {
        const uint32_t button = std::string(argv[4]) == "left" ? BTN_LEFT : BTN_RIGHT;
        org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput,
                                                        wl_fixed_from_int(std::atoi(argv[2])),
                                                        wl_fixed_from_int(std::atoi(argv[3])));
        wl_display_roundtrip(display);
        org_kde_kwin_fake_input_button(fakeInput, button, WL_POINTER_BUTTON_STATE_PRESSED);
        wl_display_roundtrip(display);
        org_kde_kwin_fake_input_button(fakeInput, button, WL_POINTER_BUTTON_STATE_RELEASED);
        return true;
    }
    const std::map<std::string, uint32_t> keys{
        {"Down", KEY_DOWN}, {"Up", KEY_UP}, {"Return", KEY_ENTER}, {"Escape", KEY_ESC}};
    for (int i = 2; action == "key" && i < argc; ++i) {
        if (!keys.contains(argv[i])) return false;
        org_kde_kwin_fake_input_keyboard_key(fakeInput, keys.at(argv[i]),
                                             WL_KEYBOARD_KEY_STATE_PRESSED);
        org_kde_kwin_fake_input_keyboard_key(fakeInput, keys.at(argv[i]),
                                             WL_KEYBOARD_KEY_STATE_RELEASED);
    }
    return action == "key" && argc >= 3;
}

}  // namespace

int main(int argc, char** argv) {
    display = wl_display_connect(nullptr);
    if (argc < 2 || !display) {
        std::fprintf(stderr,
                     "usage: varnic_fake_input hold | click X Y left|right | key KEY...\n"
                     "(in a KWin session)\n");
        return 2;
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
    return wl_display_roundtrip(display) == -1 ? 1 : 0;
}
