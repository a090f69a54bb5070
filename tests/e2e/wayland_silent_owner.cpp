// A Wayland program that puts a picture on the clipboard (through
// zwlr-data-control) and never delivers it: asked for the data, it keeps the
// pipe open and writes nothing, as a program that hangs does. It prints
// "offered" once the offer is made and "asked" for every request, and exits
// when another program takes the clipboard.

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <cstdio>
#include <cstring>
#include <vector>
#include <wayland-client.h>

namespace {

struct Owner
{
    wl_seat *seat = nullptr;
    zwlr_data_control_manager_v1 *manager = nullptr;
    std::vector<int> heldOpen; // the pipes never written to
    bool cancelled = false;
};

void global(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    auto *owner = static_cast<Owner *>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !owner->seat)
        owner->seat =
            static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
        owner->manager = static_cast<zwlr_data_control_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
}

void globalRemoved(void *, wl_registry *, uint32_t)
{
}

void send(void *data, zwlr_data_control_source_v1 *, const char *, int32_t fd)
{
    static_cast<Owner *>(data)->heldOpen.push_back(fd);
    std::puts("asked");
    std::fflush(stdout);
}

void cancelled(void *data, zwlr_data_control_source_v1 *)
{
    static_cast<Owner *>(data)->cancelled = true;
}

} // namespace

int main()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        std::fputs("wayland_silent_owner: no Wayland display\n", stderr);
        return 1;
    }
    Owner owner;
    static const wl_registry_listener registryListener{&global, &globalRemoved};
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &owner);
    wl_display_roundtrip(display);
    if (!owner.seat || !owner.manager) {
        std::fputs("wayland_silent_owner: the compositor offers no zwlr data-control\n", stderr);
        return 1;
    }
    zwlr_data_control_device_v1 *device =
        zwlr_data_control_manager_v1_get_data_device(owner.manager, owner.seat);
    zwlr_data_control_source_v1 *source =
        zwlr_data_control_manager_v1_create_data_source(owner.manager);
    static const zwlr_data_control_source_v1_listener sourceListener{&send, &cancelled};
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, &owner);
    zwlr_data_control_source_v1_offer(source, "image/png");
    zwlr_data_control_device_v1_set_selection(device, source);
    wl_display_roundtrip(display);
    std::puts("offered");
    std::fflush(stdout);
    while (!owner.cancelled && wl_display_dispatch(display) >= 0) {
    }
    wl_display_disconnect(display);
    return owner.cancelled ? 0 : 1;
}
