#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace quillar {

// Form_KeyDown with key preview: sees every key press meant for the window,
// whichever of its controls has the focus, before that control does, and never
// consumes it. F1 with any modifiers runs onHelpKey.
class KeyPreview : public QObject
{
    Q_OBJECT

public:
    KeyPreview(QWidget &window, std::function<void()> onHelpKey);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget &m_window;
    std::function<void()> m_onHelpKey;
};

} // namespace quillar
