#pragma once

#include "receive/time_column.h"

#include <QWidget>

namespace quillar {

class DisplayView;

// The time column: a strip left of the display's text that shows, on each
// line's row, that line's time (TimeColumn), and is no part of the text, so
// selection, Copy and Save never see it. Assistive technology reads it as
// a text of its own named "Colonna dell'ora", one line per display line.
class TimeGutter : public QWidget
{
    Q_OBJECT

public:
    explicit TimeGutter(DisplayView &view);

    void setColumn(TimeColumn column);
    [[nodiscard]] TimeColumn column() const { return m_column; }
    // Its width for the view's cells: the widest time and one blank cell.
    [[nodiscard]] int preferredWidth() const;
    // A line's time as this column shows it (empty for none).
    [[nodiscard]] QString lineText(qsizetype line) const;
    [[nodiscard]] DisplayView &view() const { return m_view; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    DisplayView &m_view;
    TimeColumn m_column = TimeColumn::Off;
};

} // namespace quillar
