#pragma once

#include <QMargins>
#include <QObject>

#include <memory>
#include <optional>

class QWindow;

namespace quillar {

// The frame an X11 window manager puts around a window, as it announces it in
// the window's _NET_FRAME_EXTENTS. Some managers set it only after the window
// is mapped, and Qt re-reads it only on a later configure, which may never
// come; this watch hears the property change itself. Every X11 call of the
// window's placement is here.
class FrameExtents : public QObject
{
    Q_OBJECT

public:
    // A watch for window, or nullptr when the window system is not X11 or its
    // window manager does not announce frame extents (then the frame Qt reports
    // once the window is exposed is the real one).
    [[nodiscard]] static std::unique_ptr<FrameExtents> watch(QWindow &window);
    ~FrameExtents() override;

    // Asks the window manager to announce the frame before the window is mapped.
    virtual void request() = 0;
    // The frame as last announced, or nullopt while none has been.
    [[nodiscard]] virtual std::optional<QMargins> current() const = 0;

signals:
    void announced(const QMargins &frame);

protected:
    FrameExtents() = default;
};

} // namespace quillar
