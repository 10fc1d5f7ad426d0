#include "qt_italian.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace quillar {

QTranslator *installQtItalian(QCoreApplication &app, const QString &folder)
{
    const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    auto *translator = new QTranslator(&app);
    // qtbase holds the texts of the widgets and dialogs Quillar shows.
    if (!translator->load(QStringLiteral("qtbase_it"), from) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace quillar
