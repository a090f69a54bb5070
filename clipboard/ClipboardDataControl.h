#pragma once

#include "ClipboardBackend.h"

#include <functional>
#include <memory>

namespace platform {

// The clipboard protocols a Wayland compositor may offer to a program that
// watches and empties the clipboard in the background, as a clipboard
// manager does. KDE Plasma and the wlroots compositors (sway, labwc, ...)
// offer one; GNOME offers none.
enum class DataControl
{
    None,
    Ext, // ext-data-control-v1, preferred
    Wlr, // zwlr-data-control-unstable-v1
};

// Which one the compositor at WAYLAND_DISPLAY offers (None without one).
// Connects for a moment; meant for the choice made at start.
DataControl waylandDataControl();

// The clipboard through the compositor's data-control protocol, on a
// Wayland connection of its own, or null when the compositor at
// WAYLAND_DISPLAY offers none. When Qt runs on XWayland, `makeXSide` makes
// its X clipboard, only once data-control is there: compositors pass an X
// owner's offer on to Wayland programs but do not all drop that owner when
// the Wayland clipboard is emptied, so clear() empties the X side as well.
using BackendMaker = std::function<std::unique_ptr<ClipboardBackend>()>;
std::unique_ptr<ClipboardBackend> createDataControlClipboard(const BackendMaker &makeXSide = {});

} // namespace platform
