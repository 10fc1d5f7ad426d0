#include "plot_view.h"

#include "plot/plot_data.h"
#include "plot_accessible.h"
#include "plot_canvas.h"
#include "plot_palette.h"

#include <QDateTime>
#include <QEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QPainter>
#include <QPolygonF>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace quillar {

namespace {

constexpr double ZoomStep = 0.8;

double narrowest(XAxis axis)
{
    return axis == XAxis::Time ? 10.0 : 2.0;
}

} // namespace

PlotView::PlotView(const PlotData &data, QWidget *parent) : QWidget(parent), m_data(data)
{
    installPlotAccessibility();
    setObjectName(QStringLiteral("plotView"));
    setAccessibleName(QStringLiteral("Grafico"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(240, 160);
    measureMargins();
}

void PlotView::setAxis(XAxis axis)
{
    m_axis = axis;
    setHeld(false);
    changed();
}

void PlotView::setSpanMs(qint64 spanMs)
{
    m_spanMs = spanMs;
    setHeld(false);
    changed();
}

void PlotView::setValueRange(std::optional<std::pair<double, double>> range)
{
    m_typedRange = range;
    changed();
}

void PlotView::setShown(std::size_t series, bool shown)
{
    if (m_hidden.size() <= series)
        m_hidden.resize(series + 1, false);
    m_hidden[series] = !shown;
    changed();
}

bool PlotView::shown(std::size_t series) const
{
    return series >= m_hidden.size() || !m_hidden[series];
}

void PlotView::setHeld(bool held)
{
    if (held == this->held())
        return;
    if (held)
        m_held = range();
    else
        m_held.reset();
    changed();
    emit heldChanged(held);
}

void PlotView::hold(XRange range)
{
    const bool was = held();
    m_held = range;
    changed();
    if (!was)
        emit heldChanged(true);
}

XRange PlotView::range() const
{
    if (m_held)
        return *m_held;
    const XRange r = followingRange(m_data, m_axis, m_spanMs);
    const int width = plotArea().width();
    if (r.isEmpty() || width <= 0)
        return r;
    // On a grid of whole columns: the view moves a column at a time and
    // keeps the columns it has worked out.
    const double w = (r.to - r.from) / width;
    const double to = (std::floor(r.to / w) + 1) * w; // the latest sample inside
    return {to - width * w, to};
}

QRect PlotView::plotArea() const
{
    return rect().adjusted(m_margins.left(), m_margins.top(), -m_margins.right(), -m_margins.bottom());
}

void PlotView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        measureMargins();
        m_labels.clear();
    }
    QWidget::changeEvent(event);
}

// Measured once a font, not at every point drawn: measuring shapes text.
void PlotView::measureMargins()
{
    const QFontMetrics fm = fontMetrics();
    m_margins =
        QMargins(fm.horizontalAdvance(QStringLiteral("-8.88888e+88")) + 8, fm.height() / 2 + 4, 12, fm.height() + 8);
}

qint64 PlotView::msPerColumn() const
{
    const XRange r = range();
    const double span = m_axis == XAxis::Time ? r.to - r.from : double(m_spanMs);
    return qint64(span / std::max(1, plotArea().width()));
}

QPointF PlotView::pixelOf(double x, double value) const
{
    const QRect area = plotArea();
    const auto [low, high] = m_paintedValues;
    return {area.left() + (x - m_painted.from) / (m_painted.to - m_painted.from) * area.width(),
            area.top() + (high - value) / (high - low) * (area.height() - 1)};
}

double PlotView::xAt(double pixel) const
{
    const XRange r = range();
    return r.from + (pixel - plotArea().left()) / std::max(1, plotArea().width()) * (r.to - r.from);
}

std::pair<double, double> PlotView::valueRange(const std::vector<std::span<const PlotPoint>> &lines, int width) const
{
    if (m_typedRange)
        return *m_typedRange;
    double low = HUGE_VAL;
    double high = -HUGE_VAL;
    for (const auto &points : lines)
        for (const PlotPoint &pt : points)
            if (pt.x >= 0 && pt.x <= width) {
                low = std::min(low, pt.value);
                high = std::max(high, pt.value);
            }
    if (low > high)
        return {0, 1};
    const double pad = high > low ? (high - low) * 0.05 : (low != 0 ? std::abs(low) * 0.1 : 1);
    return {low - pad, high + pad};
}

void PlotView::changed()
{
    m_next.reset();
    update();
}

void PlotView::resizeEvent(QResizeEvent *event)
{
    m_next.reset();
    QWidget::resizeEvent(event);
}

PlotView::Frame PlotView::prepare(XRange r)
{
    m_next.reset(); // its points move on with the reductions
    const QRect area = plotArea();
    Frame frame{{area.size(), devicePixelRatioF(), r, {}, {}, m_axis}, {}};
    if (r.isEmpty() || area.width() < 2 || area.height() < 2)
        return frame;
    m_reductions.resize(m_data.series().size());
    CanvasScene &scene = frame.scene;
    for (std::size_t i = 0; i < m_data.series().size(); ++i) {
        const SampleRing &samples = m_data.series()[i].samples;
        scene.shown.push_back(shown(i));
        frame.lines.push_back(shown(i) ? m_reductions[i].reduce(samples, m_axis, r.from, r.to, area.width())
                                       : std::span<const PlotPoint>{});
        if (!samples.isEmpty() && xOf(samples.at(0), m_axis) > r.from)
            scene.oldestInside = std::max(scene.oldestInside, xOf(samples.at(0), m_axis));
    }
    scene.values = valueRange(frame.lines, area.width());
    return frame;
}

void PlotView::follow()
{
    if (held())
        return;
    const QRect area = plotArea();
    // A frame not painted yet: the screen is not what m_shown says.
    const bool painted = !m_next;
    Frame next = prepare(range());
    const int moved = m_hover || !painted ? -1 : columnsMoved(m_shown, next.scene);
    next.followed = true;
    m_next = std::move(next);
    if (moved < 0 || !isVisible()) {
        update();
        return;
    }
    // The frame's lines stay put: the columns inside it move.
    if (moved > 0)
        scroll(-moved, 0, area.adjusted(1, 1, -1, -1));
    const int fresh = std::min(area.width(), moved + RedrawnColumns);
    update(QRect(area.right() + 1 - fresh, area.top(), fresh, area.height()));
    if (const double oldest = m_next->scene.oldestInside; oldest != m_shown.oldestInside && oldest > -HUGE_VAL) {
        // Samples given up inside the view: the columns up to the oldest kept.
        const XRange r = m_next->scene.range;
        const int upTo = int(std::ceil((oldest - r.from) / (r.to - r.from) * area.width())) + RedrawnColumns;
        update(QRect(area.left(), area.top(), std::clamp(upTo, 1, area.width()), area.height()));
    }
    update(QRect(0, area.bottom() + 1, width(), height() - area.bottom() - 1));
}

// A paint of the whole area shows the newest (a picture, what the screen
// is about to show). A paint of part of it shows the frame follow worked
// out, whose scroll the screen shows, or else what the rest shows.
PlotView::Frame PlotView::frameFor(const QRegion &region)
{
    const QRect area = plotArea();
    const bool whole = (QRegion(area) - region).isEmpty();
    if (m_next && m_next->scene.size == area.size() && m_next->scene.pixelRatio == devicePixelRatioF()
        && (!whole || m_offScreen)) {
        if (m_offScreen)
            return *m_next;
        Frame frame = std::move(*m_next);
        m_next.reset();
        return frame;
    }
    return prepare(whole || m_shown.range.isEmpty() ? range() : m_shown.range);
}

QImage PlotView::picture()
{
    m_offScreen = true;
    QImage image = grab().toImage();
    m_offScreen = false;
    return image;
}

void PlotView::paintEvent(QPaintEvent *event)
{
    ++m_paints;
    QPainter p(this);
    const QRect area = plotArea();
    const Frame frame = frameFor(event->region());
    const XRange r = frame.scene.range;
    if (r.isEmpty() || area.width() < 2 || area.height() < 2) {
        m_painted = {};
        if (!m_offScreen)
            m_shown = {};
        p.fillRect(rect(), Qt::white);
        p.setPen(Qt::black);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("In attesa di righe con numeri\u2026"));
        return;
    }
    m_painted = r;
    m_paintedValues = frame.scene.values;
    const Grid scales = grid(area, r);
    m_columnsDrawn = 0;
    // Rectangle by rectangle: the raster engine fills a region span by span
    // and hands the spans of a large one to other threads, a cost at every
    // frame.
    for (const QRect &dirty : event->region()) {
        p.setClipRect(dirty);
        for (const QRect &band :
             {QRect(0, 0, width(), area.top()), QRect(0, area.bottom() + 1, width(), height() - area.bottom() - 1),
              QRect(0, area.top(), area.left(), area.height()),
              QRect(area.right() + 1, area.top(), width() - area.right() - 1, area.height())})
            p.fillRect(band & dirty, Qt::white);
        paintLabels(p, area, scales, dirty);
        if (const QRect inside = dirty & area; !inside.isEmpty()) {
            p.setClipRect(inside); // the lines to the samples outside stop at the frame
            p.fillRect(inside, Qt::white);
            paintGrid(p, area, scales);
            paintCurves(p, area, frame.lines, inside.left() - area.left(), inside.right() + 1 - area.left());
            m_columnsDrawn += inside.width();
            p.setClipRect(dirty);
        }
        p.setPen(Qt::black);
        p.drawRect(area.adjusted(0, 0, -1, -1));
        if (m_hover) {
            p.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
            p.drawLine(QPointF(area.left() + *m_hover, area.top()), QPointF(area.left() + *m_hover, area.bottom()));
        }
    }
    if (m_offScreen)
        return;
    // Part of the area painted afresh may show other values than the rest:
    // the whole of it next.
    if (!frame.followed && !(frame.scene == m_shown) && !(QRegion(area) - event->region()).isEmpty())
        update();
    m_shown = frame.scene;
}

void PlotView::paintCurves(QPainter &p, const QRect &area, const std::vector<std::span<const PlotPoint>> &lines,
                           int fromColumn, int toColumn) const
{
    const auto before = [](const PlotPoint &pt, double x) { return pt.x < x; };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // From the last point before the columns drawn to the first after,
        // for the lines into and out of them.
        auto first = std::lower_bound(lines[i].begin(), lines[i].end(), double(fromColumn), before);
        if (first != lines[i].begin())
            --first;
        auto last = std::lower_bound(first, lines[i].end(), double(toColumn), before);
        if (last != lines[i].end())
            ++last;
        QPolygonF polyline;
        for (auto pt = first; pt != last; ++pt)
            polyline << QPointF(area.left() + pt->x, pixelOf(m_painted.from, pt->value).y());
        p.setPen(seriesPen(int(i)));
        if (polyline.size() == 1)
            p.drawEllipse(polyline.front(), 2, 2);
        else
            p.drawPolyline(polyline);
    }
}

PlotView::Grid PlotView::grid(const QRect &area, XRange r) const
{
    Grid grid;
    const auto [low, high] = m_paintedValues;
    const double step = niceStep(high - low, std::max(2, area.height() / 40));
    for (double v = std::ceil(low / step) * step; v <= high; v += step)
        grid.values.push_back(std::abs(v) < step * 1e-9 ? 0.0 : v);
    const int most = std::max(2, area.width() / 100);
    const bool time = m_axis == XAxis::Time;
    grid.xStep = time ? timeStep(r.to - r.from, most) : std::max(1.0, niceStep(r.to - r.from, most));
    // Time steps fall on whole local seconds, minutes and hours.
    const double offset = time ? utcOffsetMs(r.from) : 0;
    for (double x = std::ceil((r.from + offset) / grid.xStep) * grid.xStep - offset; x <= r.to; x += grid.xStep)
        grid.xs.push_back(x);
    return grid;
}

// The middle of the column a grid line falls in, counted on the columns'
// grid, so that paints that meet draw a line in the same column.
double PlotView::gridPixel(double x) const
{
    const double w = (m_painted.to - m_painted.from) / std::max(1, plotArea().width());
    return plotArea().left() + std::round(x / w) - std::round(m_painted.from / w) + 0.5;
}

void PlotView::paintGrid(QPainter &p, const QRect &area, const Grid &grid) const
{
    p.setPen(QPen(QColor(224, 224, 224), 1));
    for (const double v : grid.values) {
        const double y = pixelOf(0, v).y();
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    for (const double x : grid.xs) {
        const double px = gridPixel(x);
        p.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
    }
}

void PlotView::paintLabels(QPainter &p, const QRect &area, const Grid &grid, const QRect &dirty)
{
    p.setPen(Qt::black);
    for (const double v : grid.values) {
        const QStaticText &text = labelText(Label::Value, v);
        const QSizeF size = text.size();
        const QPointF at(area.left() - 4 - size.width(), pixelOf(0, v).y() - size.height() / 2);
        if (dirty.intersects(QRectF(at, size).toAlignedRect()))
            p.drawStaticText(at, text);
    }
    const Label kind = m_axis == XAxis::Number ? Label::Number
        : grid.xStep < 1000                    ? Label::Milliseconds
                                               : Label::Seconds;
    for (const double x : grid.xs) {
        const QStaticText &text = labelText(kind, x);
        // Kept whole inside the view at its edges.
        const double half = text.size().width() / 2 + 1;
        const double centre = std::clamp(gridPixel(x), half, width() - half);
        const QPointF at(centre - half + 1, area.bottom() + 4);
        if (dirty.intersects(QRectF(at, text.size()).toAlignedRect()))
            p.drawStaticText(at, text);
    }
}

// Asked of the system once a quarter of an hour, not at every paint: each
// asking reads the time zone's file again. Offsets change only on a
// quarter of an hour.
double PlotView::utcOffsetMs(double ms) const
{
    constexpr qint64 Quarter = 15 * 60 * 1000;
    const qint64 quarter = qint64(std::floor(ms / Quarter));
    if (quarter != m_utcOffset.first)
        m_utcOffset = {quarter, QDateTime::fromMSecsSinceEpoch(quarter * Quarter).offsetFromUtc() * 1000.0};
    return m_utcOffset.second;
}

// Laid out once a text, not at every paint: the time labels move a column
// a frame while their texts stay for seconds.
const QStaticText &PlotView::labelText(Label kind, double value)
{
    const auto key = std::pair(int(kind), value);
    if (const auto found = m_labels.constFind(key); found != m_labels.cend())
        return *found;
    if (m_labels.size() > 256)
        m_labels.clear();
    QString text;
    switch (kind) {
    case Label::Value:
        text = QString::number(value, 'g', 6);
        break;
    case Label::Number:
        text = QString::number(std::llround(value));
        break;
    case Label::Seconds:
    case Label::Milliseconds:
        text = QDateTime::fromMSecsSinceEpoch(qint64(std::llround(value)))
                   .toString(kind == Label::Seconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm:ss.zzz"));
        break;
    }
    QStaticText label(text);
    label.setTextFormat(Qt::PlainText);
    label.prepare(QTransform(), font());
    return *m_labels.insert(key, label);
}

void PlotView::wheelEvent(QWheelEvent *event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    hold(zoomed(range(), xAt(event->position().x()), std::pow(ZoomStep, notches), narrowest(m_axis)));
    event->accept();
}

void PlotView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragFrom = event->position();
        m_dragRange = range();
    }
    QWidget::mousePressEvent(event);
}

void PlotView::mouseMoveEvent(QMouseEvent *event)
{
    const QRect area = plotArea();
    if ((event->buttons() & Qt::LeftButton) && m_dragFrom && std::abs(event->position().x() - m_dragFrom->x()) >= 1) {
        const double shift =
            -(event->position().x() - m_dragFrom->x()) * (m_dragRange.to - m_dragRange.from) / area.width();
        hold({m_dragRange.from + shift, m_dragRange.to + shift});
    }
    if (area.contains(event->position().toPoint()))
        setHover(event->position().x() - area.left());
    else
        setHover(std::nullopt);
}

void PlotView::mouseDoubleClickEvent(QMouseEvent *)
{
    setHeld(false);
}

void PlotView::leaveEvent(QEvent *)
{
    setHover(std::nullopt);
}

void PlotView::keyPressEvent(QKeyEvent *event)
{
    const XRange r = range();
    const double middle = (r.from + r.to) / 2;
    const double tenth = (r.to - r.from) / 10;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        hold(zoomed(r, middle, ZoomStep, narrowest(m_axis)));
        break;
    case Qt::Key_Minus:
        hold(zoomed(r, middle, 1 / ZoomStep, narrowest(m_axis)));
        break;
    case Qt::Key_Left:
        hold({r.from - tenth, r.to - tenth});
        break;
    case Qt::Key_Right:
        hold({r.from + tenth, r.to + tenth});
        break;
    case Qt::Key_End:
        setHeld(false);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void PlotView::setHover(std::optional<double> pixel)
{
    if (pixel == m_hover)
        return;
    m_hover = pixel;
    update();
    emit hoverChanged(hoverText());
}

QString PlotView::hoverText() const
{
    if (!m_hover || m_painted.isEmpty())
        return {};
    const double x = m_painted.from + *m_hover / std::max(1, plotArea().width()) * (m_painted.to - m_painted.from);
    QStringList parts{m_axis == XAxis::Time ? QStringLiteral("Ora %1").arg(
                          QDateTime::fromMSecsSinceEpoch(std::llround(x)).toString(QStringLiteral("HH:mm:ss.zzz")))
                                            : QStringLiteral("Campione %1").arg(std::llround(x))};
    for (std::size_t i = 0; i < m_data.series().size(); ++i) {
        const PlotSeries &s = m_data.series()[i];
        if (!shown(i) || s.samples.isEmpty())
            continue;
        qsizetype at = std::min(firstAtOrAfter(s.samples, m_axis, x), s.samples.size() - 1);
        if (at > 0 && x - xOf(s.samples.at(at - 1), m_axis) < xOf(s.samples.at(at), m_axis) - x)
            --at;
        parts << QStringLiteral("%1: %2").arg(s.name, valueText(s.samples.at(at).value));
    }
    return parts.join(QStringLiteral("; "));
}

QString PlotView::summary() const
{
    QStringList parts;
    for (std::size_t i = 0; i < m_data.series().size(); ++i)
        parts << seriesSummary(m_data.series()[i]) + (shown(i) ? QString() : QStringLiteral(" (nascosta)"));
    return parts.isEmpty() ? QStringLiteral("Nessun valore ricevuto") : parts.join(QStringLiteral("; "));
}

} // namespace quillar
