// A virtual pointer for the Wayland tests: a headless compositor has no input devices, so this
// program adds one through the compositor's virtual-pointer protocol (wlroots compositors) and
// moves it as told. It reads commands from standard input, one a line, and answers "ok" after
// the compositor has taken each:
//   move X Y      the pointer to (X, Y) on the 1280 by 1024 output
//   click BUTTON  press and release a button (272 left, 273 right)
// The pointer goes away when standard input ends.

#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// The protocol's two interfaces, as its description declares them.
extern const wl_interface virtualPointerInterface;

const wl_interface* createTypes[] = { &wl_seat_interface, &virtualPointerInterface };
const wl_message managerRequests[] = {
    { "create_virtual_pointer", "?on", createTypes },
    { "destroy", "", nullptr },
};
const wl_interface managerInterface = { "zwlr_virtual_pointer_manager_v1", 1, 2, managerRequests, 0, nullptr };

const wl_interface* noTypes[] = { nullptr, nullptr, nullptr, nullptr, nullptr };
const wl_message pointerRequests[] = {
    { "motion", "uff", noTypes },   { "motion_absolute", "uuuuu", noTypes },
    { "button", "uuu", noTypes },   { "axis", "uuf", noTypes },
    { "frame", "", noTypes },       { "axis_source", "u", noTypes },
    { "axis_stop", "uu", noTypes }, { "axis_discrete", "uufi", noTypes },
    { "destroy", "", noTypes },
};
const wl_interface virtualPointerInterface = { "zwlr_virtual_pointer_v1", 1, 9, pointerRequests, 0, nullptr };

enum Request : uint32_t { MotionAbsolute = 1, Button = 2, Frame = 4, Destroy = 8 };
constexpr uint32_t kWidth = 1280;
constexpr uint32_t kHeight = 1024;

wl_proxy* g_manager = nullptr;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    if (std::strcmp(interface, managerInterface.name) == 0) {
        g_manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
    }
}

void globalRemove(void*, wl_registry*, uint32_t) { }

const wl_registry_listener registryListener = { global, globalRemove };

uint32_t now()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

} // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fputs("wayland-pointer: no Wayland display\n", stderr);
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (g_manager == nullptr) {
        std::fputs("wayland-pointer: the compositor offers no virtual pointer\n", stderr);
        return 1;
    }
    auto* pointer = static_cast<wl_proxy*>(
        wl_proxy_marshal_constructor(g_manager, 0, &virtualPointerInterface, nullptr, nullptr));
    wl_display_roundtrip(display);
    std::printf("ok\n");
    std::fflush(stdout);

    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        unsigned x = 0;
        unsigned y = 0;
        unsigned button = 0;
        if (std::sscanf(line, "move %u %u", &x, &y) == 2) {
            wl_proxy_marshal(pointer, MotionAbsolute, now(), x, y, kWidth, kHeight);
            wl_proxy_marshal(pointer, Frame);
        } else if (std::sscanf(line, "click %u", &button) == 1) {
            wl_proxy_marshal(pointer, Button, now(), button, 1U);
            wl_proxy_marshal(pointer, Frame);
            wl_proxy_marshal(pointer, Button, now(), button, 0U);
            wl_proxy_marshal(pointer, Frame);
        } else {
            std::printf("error %s", line);
            std::fflush(stdout);
            continue;
        }
        wl_display_roundtrip(display);
        std::printf("ok\n");
        std::fflush(stdout);
    }
    wl_proxy_marshal(pointer, Destroy);
    wl_proxy_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
