#pragma once

#include <QPixmap>
#include <QRect>
#include <QScrollBar>

#include <optional>

namespace quillar {

// A scroll bar that draws its style again only when its pixels would change.
// While data streams in, the display's ranges move at every frame by less
// than a pixel of the slider, and its neighbours' repaints take it along;
// drawing it each time, with the style's gradients, was most of what the
// display cost. Otherwise it shows what it drew last, and a change of range
// or value that moves no pixel asks for no paint at all: a long text grows
// by a line a frame. While the mouse is on it (hover, drag), it draws as usual.
class QuietScrollBar : public QScrollBar
{
public:
    QuietScrollBar(Qt::Orientation orientation, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void sliderChange(SliderChange change) override;

private:
    // What the style draws from, the pointer apart.
    struct Look
    {
        QSize size;
        QRect slider;
        bool atMinimum = false;
        bool atMaximum = false;
        bool enabled = true;
        qint64 palette = 0;
        qreal pixelRatio = 1;

        friend bool operator==(const Look &, const Look &) = default;
    };
    [[nodiscard]] Look look() const;

    std::optional<Look> m_drawn;
    QPixmap m_drawing;
};

} // namespace quillar
