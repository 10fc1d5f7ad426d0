#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QMenu;
class QWidget;

namespace quillar {

class DisplayView;

// The display's context menu: Copy, Copy all, Select all, Find..., then what
// the extension adds. From the mouse it pops up at the pointer; from the
// keyboard under the caret when it is in view, else at the view's top left
// corner, on its first item, which a screen reader then reads.
class DisplayContextMenu : public QObject
{
    Q_OBJECT

public:
    explicit DisplayContextMenu(DisplayView &view);

    void setExtension(std::function<void(QMenu &)> extend) { m_extend = std::move(extend); }
    // A new menu; the caller owns it.
    [[nodiscard]] QMenu *create(QWidget *parent) const;
    void popUpAt(const QPoint &globalPos);
    void popUpFromKeyboard();

private:
    QMenu *popUp(const QPoint &globalPos);
    [[nodiscard]] QPoint caretPoint() const;

    DisplayView &m_view;
    std::function<void(QMenu &)> m_extend;
};

} // namespace quillar
