#pragma once

#include <QIcon>
#include <QImage>

namespace quillar {

// The window's icon, drawn at run time in two images, 32 x 32 and 16 x 16, from
// the sixteen colours of the classic palette: a dark screen with a yellow ruler
// and lines of received text.
[[nodiscard]] QImage drawQuillarIconImage(int size);
[[nodiscard]] QIcon quillarIcon();

} // namespace quillar
