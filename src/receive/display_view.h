#pragma once

#include <QAbstractScrollArea>

namespace quillar {

class DisplayBuffer;

// The receive display (Text3): shows a DisplayBuffer in one fixed-pitch font,
// without wrapping, with both scroll bars. Read-only: the user scrolls, selects
// (the selection lives in the buffer) and copies. Colours come from the palette:
// Base and Text, Highlight and HighlightedText for the selection.
class DisplayView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit DisplayView(DisplayBuffer &buffer, QWidget *parent = nullptr);

    [[nodiscard]] DisplayBuffer &buffer() const { return m_buffer; }

private:
    DisplayBuffer &m_buffer;
};

} // namespace quillar
