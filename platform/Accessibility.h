#pragma once

class QLabel;

// What the programs tell screen readers (through Qt's accessibility bridge,
// AT-SPI on Linux desktops) beyond what Qt's own widgets say.
namespace Accessibility {

// A picture that only decorates: screen readers pass over it. Call it while
// the window is being built, before the picture is shown.
void hideDecoration(QLabel *picture);

} // namespace Accessibility
