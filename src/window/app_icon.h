#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>

namespace quillar {

// The program's icon from the sixteen colours of the classic palette: a dark
// screen with a yellow ruler and lines of received text, drawn on a 16 x 16
// grid. The window's images and the files installed for the desktop's icon
// theme all come from the one drawing below.
[[nodiscard]] QImage drawQuillarIconImage(int size);

// The same drawing as scalable vector graphics.
[[nodiscard]] QByteArray quillarIconSvg();

// The window's icon: 32 x 32 and 16 x 16 images.
[[nodiscard]] QIcon quillarIcon();

} // namespace quillar
