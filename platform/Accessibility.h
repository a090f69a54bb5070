#pragma once

class QLabel;
class QWidget;

// What the programs tell screen readers (through Qt's accessibility bridge,
// AT-SPI on Linux desktops) beyond what Qt's own widgets say.
namespace Accessibility {

// A picture that only decorates: screen readers pass over it. Call it while
// the window is being built, before the picture is shown.
void hideDecoration(QLabel *picture);

// A top-level window made of a plain QWidget, which Qt presents as a mere
// filler: it becomes a window (a frame), which screen readers name and
// announce as it gets the focus. Call it first thing in the window's
// constructor.
void presentAsWindow(QWidget *window);

} // namespace Accessibility
