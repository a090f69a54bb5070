#pragma once

#include <QString>

#include <functional>

namespace platform {

// Chooses Qt's platform for Pictarro before the application object exists,
// so that the clipboard can be watched while Pictarro is hidden:
// - in a Wayland session with XWayland, Pictarro runs as an X client unless
//   the user chose a platform (QT_QPA_PLATFORM);
// - a user's choice of Wayland stands where the compositor offers a
//   data-control protocol (Pictarro watches the clipboard through it); where
//   it offers none, a hidden Wayland client would never hear of a change,
//   so Pictarro runs through XWayland when there is one.
// `offersDataControl` asks the compositor; it is called only in a Wayland
// session where the answer matters.
// Returns why the clipboard cannot be watched at all (a Wayland session
// with neither data-control nor XWayland), or an empty text.
QString chooseWindowSystem(const std::function<bool()> &offersDataControl);

// Tells the user why Pictarro cannot watch the clipboard: on standard error,
// and in a message box where Qt can show one. Returns the exit status.
int explainClipboardUnavailable(const QString &reason, int &argc, char **argv);

} // namespace platform
