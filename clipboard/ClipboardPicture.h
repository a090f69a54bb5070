#pragma once

#include <QImage>

namespace platform {

// Puts a picture on the system clipboard with Pictarro as its owner, as a
// screenshot key does: other programs paste it (as PNG, BMP or any format
// Qt writes, converted when they ask), and it stays until another program
// takes the clipboard or Pictarro empties it.
void offerPicture(const QImage &picture);

} // namespace platform
