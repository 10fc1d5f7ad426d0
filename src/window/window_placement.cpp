#include "window_placement.h"

#include "frame_extents.h"
#include "platform/twips.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace quillar {

WindowPlacement::WindowPlacement(QWidget &window)
    : QObject(&window),
      m_window(window),
      m_positionKnown(!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
{ }

WindowPlacement::~WindowPlacement() = default;

double WindowPlacement::dpi() const
{
    return m_window.logicalDpiX() > 0 ? m_window.logicalDpiX() : 96.0;
}

QMargins WindowPlacement::frame() const
{
    return m_frame.value_or(designFrameMargins(dpi()));
}

OuterGeometry WindowPlacement::outer() const
{
    if (m_pending)
        return *m_pending;
    OuterGeometry o = outerFromClient(m_window.geometry(), frame(), dpi());
    if (!m_positionKnown) {
        o.left = m_lastPosition.x();
        o.top = m_lastPosition.y();
    }
    return o;
}

void WindowPlacement::setOuter(const OuterGeometry &outer)
{
    m_lastPosition = QPointF(outer.left, outer.top);
    if (settled()) {
        apply(outer);
        return;
    }
    m_pending = outer;
    const double d = dpi();
    const QRect client = clientRectFromOuter(outer, designFrameMargins(d), d);
    if (!m_window.testAttribute(Qt::WA_WState_Created)) {
        // Not created yet: move() places the frame's corner, and the window
        // manager keeps it there whatever its frame.
        m_window.move(twipsToPixels(outer.left, d), twipsToPixels(outer.top, d));
        m_window.resize(client.size());
    } else {
        m_window.setGeometry(client);
    }
}

void WindowPlacement::apply(const OuterGeometry &outer)
{
    m_window.setGeometry(clientRectFromOuter(outer, frame(), dpi()));
}

void WindowPlacement::windowShown()
{
    QWindow *native = m_window.windowHandle();
    if (!native || m_watching)
        return;
    m_watching = true;
    native->installEventFilter(this);
    m_extents = FrameExtents::watch(*native);
    if (m_extents) {
        connect(m_extents.get(), &FrameExtents::announced, this, [this](const QMargins &frame) {
            if (settled())
                m_frame = frame; // a later change of the frame: nothing is re-applied
            else
                settle(frame);
        });
        m_extents->request();
    }
    exposed();
}

bool WindowPlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Expose && !settled())
        exposed();
    return QObject::eventFilter(watched, event);
}

void WindowPlacement::exposed()
{
    QWindow *native = m_window.windowHandle();
    if (settled() || !native || !native->isExposed())
        return;
    if (!m_extents) {
        // Mapped: a reparenting window manager without frame announcements
        // has put its frame around the window by now; without one it is empty.
        settle(native->frameMargins());
        return;
    }
    if (const auto frame = m_extents->current()) {
        settle(*frame);
        return;
    }
    // Announced later (a busy manager can take its time). Should it never be,
    // what Qt reports will do, so that the user's own moves and resizes are
    // not held back for ever.
    QTimer::singleShot(5000, this, [this] {
        if (!settled() && m_window.windowHandle())
            settle(m_window.windowHandle()->frameMargins());
    });
}

void WindowPlacement::settle(const QMargins &frame)
{
    m_frame = frame;
    if (m_pending)
        apply(*std::exchange(m_pending, std::nullopt));
}

QRect keptOnScreens(const QRect &window, const QList<QRect> &screens, const QRect &primary)
{
    if (screens.isEmpty() || primary.isEmpty())
        return window;
    // A window restored with no size still has a place that must be visible.
    const QRect footprint(window.topLeft(), window.size().expandedTo(QSize(1, 1)));
    for (const QRect &screen : screens) {
        if (screen.intersects(footprint))
            return window;
    }
    return QRect(primary.topLeft(), window.size());
}

QRect fittedToScreen(const QRect &window, const QRect &available)
{
    if (available.isEmpty())
        return window;
    QRect fitted = window;
    if (window.width() > available.width()) {
        fitted.setLeft(available.left());
        fitted.setWidth(available.width());
    }
    if (window.height() > available.height()) {
        fitted.setTop(available.top());
        fitted.setHeight(available.height());
    }
    return fitted;
}

} // namespace quillar
