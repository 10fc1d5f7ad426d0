#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;

namespace quillar {

// The window speaks Italian whatever the user's locale, so Qt's own texts
// (the Yes and No of a question, the save dialog, a line edit's menu) are
// taken from Qt's Italian translations in `folder`, Qt's own by default.
// Where they are not installed Qt's English stays: nullptr, and nothing else.
QTranslator *installQtItalian(QCoreApplication &app, const QString &folder = QString());

} // namespace quillar
