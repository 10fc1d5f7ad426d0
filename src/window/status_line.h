#pragma once

#include <QLabel>

namespace quillar {

// The status line (lblStatus): one line of text that every writer replaces
// whole. Assistive technology sees it as a status bar and hears each new text,
// so that "Porta COM1: 4800,n,8,1 OK" or an error is announced.
class StatusLine : public QLabel
{
    Q_OBJECT

public:
    explicit StatusLine(const QString &text, QWidget *parent = nullptr);

    void setStatus(const QString &text);
};

} // namespace quillar
