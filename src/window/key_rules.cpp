#include "key_rules.h"

#include <QKeyEvent>

namespace quillar {

std::optional<int> keyAsciiOf(const QKeyEvent &event)
{
    const QString text = event.text();
    if (text.isEmpty() || event.key() == Qt::Key_Delete)
        return std::nullopt;
    const int code = text.at(0).unicode();
    const bool ctrl = event.modifiers().testFlag(Qt::ControlModifier);
    if (ctrl && ((code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z')))
        return code & 0x1f;
    return code;
}

bool digitFilterPasses(int keyAscii)
{
    return keyAscii < 10 || (keyAscii >= '0' && keyAscii <= '9');
}

bool isHelpKey(const QKeyEvent &event)
{
    return event.key() == Qt::Key_F1;
}

} // namespace quillar
