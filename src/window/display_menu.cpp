#include "display_menu.h"

#include "display/display_view.h"
#include "receive/time_column.h"

#include <QActionGroup>
#include <QMenu>

namespace quillar {

void addWindowItems(QMenu &menu, DisplayView &display, const std::function<void()> &save,
                    const std::function<void()> &clear, const std::function<void()> &plot)
{
    menu.addSeparator();
    menu.addAction(QStringLiteral("Sal&va\u2026"), &menu, save);
    menu.addAction(QStringLiteral("&Pulisci"), &menu, clear);
    menu.addSeparator();
    QMenu *times = menu.addMenu(QStringLiteral("Colonna dell'&ora"));
    times->setWindowTitle(QStringLiteral("Colonna dell'ora"));
    auto *choices = new QActionGroup(times);
    for (const TimeColumn column : TimeColumns) {
        QAction *choice = times->addAction(timeColumnLabel(column));
        choice->setCheckable(true);
        choice->setChecked(column == display.timeColumn());
        choices->addAction(choice);
        QObject::connect(choice, &QAction::triggered, &display, [&display, column] { display.setTimeColumn(column); });
    }
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Grafico\u2026"), &menu, plot)->setShortcut(PlotShortcut);
}

} // namespace quillar
