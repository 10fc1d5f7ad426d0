#pragma once

#include <QFont>
#include <QLabel>

namespace quillar {

// The status line (lblStatus): one line of text that every writer replaces
// whole. Assistive technology sees it as a status bar and hears each new text,
// so that "Porta COM1: 4800,n,8,1 OK" or an error is announced.
//
// The line is as wide as it was drawn; a text too wide for it is shown in a
// narrower font, no narrower than a condensed face (ReadableStretch), and
// one too wide even then ends in an ellipsis, whole in the tooltip (text()
// and what assistive technology reads stay whole). A detail
// (why a port did not open) shows in the tooltip and as the accessible
// description until the next text.
class StatusLine : public QLabel
{
    Q_OBJECT

public:
    // Condensed further (as far as the entry boxes go for their digits), the
    // window's small font reads as a 7-pixel one: a longer text ends in an
    // ellipsis instead.
    static constexpr int ReadableStretch = QFont::Condensed;

    explicit StatusLine(const QString &text, QWidget *parent = nullptr);

    void setStatus(const QString &text);
    void setDetail(const QString &detail);
    [[nodiscard]] const QString &detail() const { return m_detail; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void fit();
    [[nodiscard]] qreal textRoom() const;

    QFont m_designFont; // as the window gave it
    bool m_elided = false;
    QString m_detail;
};

} // namespace quillar
