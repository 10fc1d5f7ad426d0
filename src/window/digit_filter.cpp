#include "digit_filter.h"

#include "key_rules.h"

#include <QKeyEvent>

namespace quillar {

void DigitFilter::installOn(QObject &box)
{
    box.installEventFilter(this);
}

bool DigitFilter::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto code = keyAsciiOf(*static_cast<QKeyEvent *>(event));
    return code && !digitFilterPasses(*code);
}

} // namespace quillar
