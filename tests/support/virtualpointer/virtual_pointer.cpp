// A pointer for tests under a wlroots compositor (sway), through its virtual-pointer protocol:
//   virtual_pointer WIDTH HEIGHT
// says "ok" once the pointer is there, then reads one step a line from its standard input,
// "move X Y" (X and Y in the output's pixels, of an output WIDTH x HEIGHT), "press" or "release"
// (the left button), and answers each with "ok" once the compositor has handled it, so that a
// test can wait for that before its next look.
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// libwayland-client's description of the protocol's two interfaces (version 1), as far as the
// requests used here; Debian ships no XML of this protocol to generate it from.
const wl_interface *kNoTypes[5] = {};
const wl_message kPointerRequests[] = {
    {"motion", "uff", kNoTypes}, {"motion_absolute", "uuuuu", kNoTypes},
    {"button", "uuu", kNoTypes}, {"axis", "uuf", kNoTypes},
    {"frame", "", kNoTypes},
};
const wl_interface kPointer = {"zwlr_virtual_pointer_v1", 1, 5, kPointerRequests, 0, nullptr};
const wl_interface *kCreateTypes[] = {&wl_seat_interface, &kPointer};
const wl_message kManagerRequests[] = {{"create_virtual_pointer", "?on", kCreateTypes}};
const wl_interface kManager = {
    "zwlr_virtual_pointer_manager_v1", 1, 1, kManagerRequests, 0, nullptr};
enum Request : uint32_t { MotionAbsolute = 1, Button = 2, Frame = 4 };
constexpr uint32_t kLeftButton = 0x110; // BTN_LEFT

wl_proxy *g_manager = nullptr;

void global(void *, wl_registry *registry, uint32_t name, const char *interface, uint32_t) {
    if (std::strcmp(interface, kManager.name) == 0)
        g_manager = static_cast<wl_proxy *>(wl_registry_bind(registry, name, &kManager, 1));
}
void globalRemove(void *, wl_registry *, uint32_t) {}
const wl_registry_listener kRegistry = {global, globalRemove};

uint32_t now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return uint32_t(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: virtual_pointer WIDTH HEIGHT\n");
        return 2;
    }
    const uint32_t width = uint32_t(std::atoi(argv[1]));
    const uint32_t height = uint32_t(std::atoi(argv[2]));
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "virtual_pointer: no Wayland display\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, nullptr);
    wl_display_roundtrip(display);
    if (!g_manager) {
        std::fprintf(stderr, "virtual_pointer: the compositor has no virtual pointers\n");
        return 1;
    }
    wl_proxy *pointer =
        wl_proxy_marshal_flags(g_manager, 0, &kPointer, 1, 0, nullptr /* seat */, nullptr);
    // Once the seat has the pointer, and clients that start from now on find it there.
    wl_display_roundtrip(display);
    std::printf("ok\n");
    std::fflush(stdout);
    char line[128];
    while (std::fgets(line, sizeof line, stdin)) {
        unsigned x = 0, y = 0;
        if (std::sscanf(line, "move %u %u", &x, &y) == 2)
            wl_proxy_marshal_flags(pointer, MotionAbsolute, nullptr, 1, 0, now(), x, y, width,
                                   height);
        else if (std::strncmp(line, "press", 5) == 0 || std::strncmp(line, "release", 7) == 0)
            wl_proxy_marshal_flags(pointer, Button, nullptr, 1, 0, now(), kLeftButton,
                                   uint32_t(line[0] == 'p'));
        else
            continue;
        wl_proxy_marshal_flags(pointer, Frame, nullptr, 1, 0);
        if (wl_display_roundtrip(display) < 0)
            return 1;
        std::printf("ok\n");
        std::fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
