#pragma once

#include "outer_geometry.h"

#include <QList>
#include <QMargins>
#include <QRect>
#include <QObject>

#include <memory>
#include <optional>

class QWidget;

namespace quillar {

class FrameExtents;

// Where a top-level window is, as its outer frame in twips: the frame's top
// left corner and the outer size, title bar and borders included.
//
// A reparenting window manager tells the frame only around the time the
// window is mapped, sometimes after it, and may send no move or resize
// afterwards. So an outer geometry set before that is kept as asked for: the
// frame's corner is placed by the window manager itself (a frame-inclusive
// position), and the client size, guessed with the design frame, is set again
// once the real frame is known. From then on nothing is re-applied, so the
// user's own moves and resizes stay.
// Where the window system gives clients no position (Wayland), the last
// position set is kept rather than reported as 0.
class WindowPlacement : public QObject
{
public:
    explicit WindowPlacement(QWidget &window);
    ~WindowPlacement() override;

    [[nodiscard]] OuterGeometry outer() const;
    void setOuter(const OuterGeometry &outer);

    // Whether the window system has shown the window and told its frame.
    [[nodiscard]] bool settled() const { return m_frame.has_value(); }

    // Called as the window is shown: watches its native window for the first
    // expose.
    void windowShown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void exposed();
    void settle(const QMargins &frame);
    void apply(const OuterGeometry &outer);
    [[nodiscard]] double dpi() const;
    [[nodiscard]] QMargins frame() const;

    QWidget &m_window;
    // Asked for before the frame was known: reported and re-applied as asked.
    std::optional<OuterGeometry> m_pending;
    std::optional<QMargins> m_frame;
    bool m_watching = false;
    std::unique_ptr<FrameExtents> m_extents;
    bool m_positionKnown = true;
    QPointF m_lastPosition; // twips, where m_positionKnown is false
};

// A window restored wholly off every screen (a monitor unplugged since) is
// moved to the top left corner of the primary screen with its size kept; any
// other window is left where it is. Rectangles in one coordinate system.
[[nodiscard]] QRect keptOnScreens(const QRect &window, const QList<QRect> &screens, const QRect &primary);

// A window wider than the screen's free area (its size restored from a
// larger screen, or a larger scale) becomes as wide as that area and starts
// at its left edge, so that no control is out of reach; the same for the
// height. Any other window is left as it is.
[[nodiscard]] QRect fittedToScreen(const QRect &window, const QRect &available);

} // namespace quillar
