#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace quillar {

// The find bar under the display's text: the text to find, "Maiuscole/minuscole",
// how many matches ("3 di 17"), previous and next, close. Enter finds the
// next match, Shift+Enter the previous one, Escape closes it. It only
// reports what the user asks for; the display does the finding.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    explicit FindBar(QWidget *parent);

    [[nodiscard]] QLineEdit *field() const { return m_field; }
    [[nodiscard]] QString text() const;
    [[nodiscard]] bool matchCase() const;
    void setStatus(const QString &status);
    [[nodiscard]] QString status() const;

signals:
    // The text or "Maiuscole/minuscole" changed.
    void changed(const QString &text, bool matchCase);
    void nextRequested();
    void previousRequested();
    void closeRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineEdit *m_field;
    QCheckBox *m_matchCase;
    QLabel *m_status;
};

} // namespace quillar
