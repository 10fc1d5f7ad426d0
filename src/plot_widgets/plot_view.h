#pragma once

#include "plot/min_max_reduction.h"
#include "plot/view_range.h"
#include "plot_canvas.h"

#include <QHash>
#include <QMargins>
#include <QPointF>
#include <QStaticText>
#include <QWidget>

#include <limits>
#include <optional>
#include <vector>

namespace quillar {

class PlotData;

// The plot itself: each shown series as a line in its colour over a grid
// with its scales, drawn from the min/max reduction of what is in view.
// It follows the samples (the last span of them) until it is held: by the
// owner (pause), or by a zoom or pan with the wheel, a drag or the keys
// (+ and -, Left and Right); End, or a double click, follows again.
// Hovering shows a line and the values under the pointer (hoverText).
class PlotView : public QWidget
{
    Q_OBJECT

public:
    explicit PlotView(const PlotData &data, QWidget *parent = nullptr);

    void setAxis(XAxis axis);
    [[nodiscard]] XAxis axis() const { return m_axis; }
    // 0: every sample kept.
    void setSpanMs(qint64 spanMs);
    // A typed range of values, or none for autoscale.
    void setValueRange(std::optional<std::pair<double, double>> range);
    void setShown(std::size_t series, bool shown);
    [[nodiscard]] bool shown(std::size_t series) const;

    // Held: the view stays on its range while samples come.
    void setHeld(bool held);
    [[nodiscard]] bool held() const { return m_held.has_value(); }

    [[nodiscard]] XRange range() const;
    // The next frame of a view that follows: the columns it keeps scroll
    // left on the screen and only those that came in, and the time labels,
    // are painted. A held view stays as it is.
    void follow();
    // The view as a picture, painted whole, the screen left as it is.
    [[nodiscard]] QImage picture();
    // Where a sample of x and value is drawn, in the view's pixels, for the
    // range and values as they were last painted.
    [[nodiscard]] QPointF pixelOf(double x, double value) const;
    [[nodiscard]] std::pair<double, double> paintedValues() const { return m_paintedValues; }
    // The time or number under the pointer and each shown series' value
    // there; empty when the pointer is not over the plot.
    [[nodiscard]] QString hoverText() const;
    // Each series' name, latest value, minimum and maximum, for a screen reader.
    [[nodiscard]] QString summary() const;
    [[nodiscard]] quint64 paints() const { return m_paints; }
    // How many of the area's pixel columns the last paint drew: a view that
    // follows draws only the columns that moved in.
    [[nodiscard]] int columnsDrawn() const { return m_columnsDrawn; }
    // How long the x axis of a pixel column lasts, about (0 for every
    // sample kept by number): the view need not be painted more often.
    [[nodiscard]] qint64 msPerColumn() const;

signals:
    void heldChanged(bool held);
    void hoverChanged(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // What a paint draws: the series reduced to the area's columns.
    struct Frame
    {
        CanvasScene scene;
        std::vector<std::span<const PlotPoint>> lines; // valid until the reductions move on
        bool followed = false;                         // worked out by follow, its scroll done
    };
    // Where the grid's lines fall: values, and times or numbers.
    struct Grid
    {
        std::vector<double> values;
        double xStep = 0;
        std::vector<double> xs;
    };
    enum class Label { Value, Seconds, Milliseconds, Number };

    [[nodiscard]] Frame prepare(XRange r);
    [[nodiscard]] Frame frameFor(const QRegion &region);
    // A change that shows otherwise: painted whole.
    void changed();
    [[nodiscard]] QRect plotArea() const;
    void measureMargins();
    [[nodiscard]] double xAt(double pixel) const;
    void hold(XRange range);
    void setHover(std::optional<double> pixel);
    [[nodiscard]] Grid grid(const QRect &area, XRange r) const;
    [[nodiscard]] double utcOffsetMs(double ms) const;
    [[nodiscard]] double gridPixel(double x) const;
    void paintGrid(QPainter &p, const QRect &area, const Grid &grid) const;
    // The scales' labels around the area, those that meet dirty.
    void paintLabels(QPainter &p, const QRect &area, const Grid &grid, const QRect &dirty);
    const QStaticText &labelText(Label kind, double value);
    // The curves over the columns from fromColumn to toColumn.
    void paintCurves(QPainter &p, const QRect &area, const std::vector<std::span<const PlotPoint>> &lines,
                     int fromColumn, int toColumn) const;
    [[nodiscard]] std::pair<double, double> valueRange(const std::vector<std::span<const PlotPoint>> &lines,
                                                       int width) const;

    const PlotData &m_data;
    XAxis m_axis = XAxis::Time;
    qint64 m_spanMs = 60'000;
    std::optional<std::pair<double, double>> m_typedRange;
    std::vector<bool> m_hidden;
    std::optional<XRange> m_held;
    std::optional<double> m_hover; // pixel column under the pointer
    std::optional<QPointF> m_dragFrom;
    XRange m_dragRange;
    // As last painted, for pixelOf and the pointer.
    XRange m_painted;
    std::pair<double, double> m_paintedValues{0, 1};
    quint64 m_paints = 0;
    std::vector<CachedReduction> m_reductions; // a series
    std::optional<Frame> m_next;               // worked out by follow for the paint it asked
    CanvasScene m_shown;                       // what the area shows on the screen
    bool m_offScreen = false;                  // painting a picture
    int m_columnsDrawn = 0;
    QHash<std::pair<int, double>, QStaticText> m_labels;
    mutable std::pair<qint64, double> m_utcOffset{std::numeric_limits<qint64>::min(), 0}; // a quarter hour's
    QMargins m_margins;
};

} // namespace quillar
