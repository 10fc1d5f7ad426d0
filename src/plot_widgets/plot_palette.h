#pragma once

#include <QColor>
#include <QPen>

namespace quillar {

// Series colours that colour-blind users can tell apart (Okabe and Ito's
// eight, the yellow last as it is faint on white); from the ninth series on
// they come again, dashed, then dotted.
[[nodiscard]] QPen seriesPen(int index);

} // namespace quillar
