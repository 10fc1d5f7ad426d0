#pragma once

#include <QLabel>
#include <QPixmap>
#include <QStringList>

namespace quillar {

// A ruler label (Label3, Label9). Its caption is the design's, but it draws its
// rows itself, one character per display cell: character i of every row is
// centred in the cell starting at firstCharLeft + i * cellWidth, so each digit
// sits exactly over the display column it numbers whatever the font's
// fractional advance.
class RulerLabel : public QLabel
{
    Q_OBJECT

public:
    explicit RulerLabel(QWidget *parent = nullptr);

    // The rows drawn top to bottom, one line each.
    void setRows(const QStringList &rows);
    [[nodiscard]] const QStringList &rows() const { return m_rows; }

    // In the label's own coordinates.
    void setGrid(double firstCharLeft, double cellWidth);
    [[nodiscard]] double charLeft(int index) const { return m_firstCharLeft + index * m_cellWidth; }
    // Nothing is drawn left of x (the display's text edge, once scrolled).
    void setClipLeft(double x);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void redraw();

    QStringList m_rows;
    double m_firstCharLeft = 0;
    double m_cellWidth = 0;
    double m_clipLeft = 0;
    // What it shows, drawn once: a display that scrolls beside it repaints it
    // at every frame, and shaping 240 digits each time cost more than the display.
    QPixmap m_drawing;
};

} // namespace quillar
