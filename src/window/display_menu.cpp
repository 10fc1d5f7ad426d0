#include "display_menu.h"

#include "display/display_view.h"
#include "highlight_dialog.h"
#include "receive/display_buffer.h"
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
    addShowChoices(menu, display.buffer());
    menu.addAction(QStringLiteral("&Evidenziazioni\u2026"), &display, [&display] { openHighlights(display); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Grafico\u2026"), &menu, plot)->setShortcut(PlotShortcut);
}

void addShowChoices(QMenu &menu, DisplayBuffer &buffer)
{
    const ShowChoices now = buffer.showChoices();
    const auto add = [&](const QString &label, bool checked, auto set) {
        QAction *choice = menu.addAction(label);
        choice->setCheckable(true);
        choice->setChecked(checked);
        QObject::connect(choice, &QAction::toggled, &buffer, [&buffer, set](bool on) {
            ShowChoices choices = buffer.showChoices();
            set(choices, on);
            buffer.setShowChoices(choices);
        });
    };
    add(QStringLiteral("Colori del te&rminale"), now.colours, [](ShowChoices &c, bool on) { c.colours = on; });
    add(QStringLiteral("UTF-&8"), now.utf8, [](ShowChoices &c, bool on) { c.utf8 = on; });
}

void openHighlights(DisplayView &display)
{
    DisplayBuffer &buffer = display.buffer();
    auto *dialog = new HighlightDialog(buffer.highlightRules(), display.window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &HighlightDialog::rulesAccepted, &buffer,
                     [&buffer](const QList<HighlightRule> &rules) { buffer.setHighlightRules(rules); });
    dialog->show();
}

} // namespace quillar
