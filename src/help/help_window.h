#pragma once

#include <QString>
#include <QWidget>

class QTextEdit;

namespace quillar {

// The help window's on-screen part: a top-level window without owner holding
// one read-only rich-text view. It is destroyed when closed.
class HelpWindow final : public QWidget
{
    Q_OBJECT

public:
    HelpWindow();

    void setHelpFileName(const QString &name) { m_helpFileName = name; }
    [[nodiscard]] const QString &helpFileName() const { return m_helpFileName; }
    // rtfIstruzioni: the rich-text view.
    [[nodiscard]] QTextEdit *view() const { return m_view; }
    // True from the moment the window starts to close (the missing-file path
    // or the user), while it waits to be destroyed.
    [[nodiscard]] bool isClosing() const { return m_closing; }

    // Centres the window of the design size on the screen.
    void Form_Load();

protected:
    bool event(QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void Form_Resize();
    void Form_Activate();
    [[nodiscard]] QSizeF outerSizeTwips() const;

    QTextEdit *m_view;
    QString m_helpFileName;
    bool m_closing = false;
};

} // namespace quillar
