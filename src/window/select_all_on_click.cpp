#include "select_all_on_click.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

namespace quillar {

void SelectAllOnClick::installOn(QLineEdit &box)
{
    box.installEventFilter(this);
}

bool SelectAllOnClick::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        // Queued, like key strokes sent to the focused box: the box finishes
        // handling the click first.
        QPointer<QLineEdit> box = qobject_cast<QLineEdit *>(watched);
        QTimer::singleShot(0, this, [box] {
            if (box && box->hasFocus()) {
                box->home(false);
                box->end(true);
            }
        });
    }
    return false;
}

} // namespace quillar
