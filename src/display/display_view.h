#pragma once

#include "cell_font.h"
#include "receive/display_buffer.h"
#include "platform/frame_clock.h"
#include "receive/time_column.h"

#include <QAbstractScrollArea>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <utility>

class QMenu;
class QMimeData;

namespace quillar {

class CellPainter;
class DisplayContextMenu;
class DisplayFind;
class FindBar;
class FramePacer;
class TextFinder;
class TimeGutter;

// The receive display (Text3): shows a DisplayBuffer in one fixed-pitch font,
// without wrapping, with both scroll bars always shown. Read-only: the user
// scrolls, selects (the selection lives in the buffer), copies and finds.
// Colours come from the palette: Base and Text, Highlight and HighlightedText
// for the selection.
//
// It paints the buffer itself, only the visible lines and columns, so neither
// an append nor a paint costs more for a longer line or a longer text. Every
// character takes one cell of cellWidth(): a control character (C0, DEL, C1,
// a lone CR or LF among them) is a hollow box, a character the font lacks a
// hollow box with a diagonal; nothing can shift the columns after it.
//
// While the view shows the end of the text and the caret stands there with
// nothing selected, it follows appends: the last line comes into view, and
// horizontally the caret's column. Once the user scrolls away, selects or
// puts the caret elsewhere (a press, even before it drags), appends move
// neither the view, the caret nor the selection, and cuts at the front leave
// the same lines in view; scrolled back to the end, it follows again. The model changes at
// every read; the view catches up on the program's frame clock, after the
// tick's hand-over, at most once in FrameMs, and not at all while its window
// is hidden or minimized.
//
// Beside the text, outside it, a column may show each line's time (see
// TimeColumn); below it a find bar opens on Ctrl+F.
class DisplayView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // Blank pixels between the viewport's edge and the first column and line.
    static constexpr int TextMargin = 2;
    static constexpr int FrameMs = int(FrameClock::DisplayFrame.count());

    // It paints on the ticks of `frames`, which must outlive it.
    DisplayView(DisplayBuffer &buffer, FrameClock &frames, QWidget *parent = nullptr);

    [[nodiscard]] DisplayBuffer &buffer() const { return m_buffer; }
    [[nodiscard]] TextFinder &finder() const;

    // Geometry of the cell grid, from the widget's font.
    [[nodiscard]] qreal cellWidth() const { return m_cells.cellWidth(); }
    [[nodiscard]] int lineHeight() const { return m_cells.lineHeight(); }
    [[nodiscard]] const CellFont &cells() const { return m_cells; }
    // The x of the left edge of column (1-based) in this widget's coordinates
    // when the view is scrolled fully left: columnLeft(1) + (column - 1) *
    // cellWidth(). Valid once the widget has its size.
    [[nodiscard]] qreal columnLeft(qsizetype column) const;
    // How far the text is scrolled sideways, in pixels.
    [[nodiscard]] int sidewaysScroll() const;

    // Mapping between the model and the viewport (viewport(): the area that
    // paints the text and receives the mouse), at the current scroll.
    // The caret position nearest to a point: within the line under it, at the
    // nearest cell edge; above the first or below the last line, that line.
    [[nodiscard]] qsizetype positionAt(const QPointF &viewportPoint) const;
    // The cell of the character at position (for the position at a line's end,
    // the cell after its last character).
    [[nodiscard]] QRectF cellRect(qsizetype position) const;
    // The character under a point (for the position at a line's end or past
    // it, that position).
    [[nodiscard]] qsizetype characterAt(const QPointF &viewportPoint) const;
    // Scrolls so that position is shown.
    void ensureVisible(qsizetype position);

    // The first line shown and how many whole lines fit.
    [[nodiscard]] qsizetype firstVisibleLine() const;
    [[nodiscard]] int visibleLineCount() const;
    // Whether appends bring the caret and the view to the end.
    [[nodiscard]] bool following() const { return m_following; }

    [[nodiscard]] TimeColumn timeColumn() const { return m_timeColumn; }
    void setTimeColumn(TimeColumn column);

    // The context menu: Copy, Copy all, Select all, Find..., then what the
    // extension adds. The caller owns it.
    [[nodiscard]] QMenu *createContextMenu(QWidget *parent);
    void setMenuExtension(std::function<void(QMenu &)> extend);

    [[nodiscard]] FindBar *findBar() const;

    // Catches up with the model now rather than at the next frame.
    void flushFrame();

public slots:
    // Puts the selected characters, exactly, on the clipboard.
    void copy() const;
    void copyAll() const;
    void selectAll();
    // Opens the find bar (with the selection as the text to find, when one is
    // held within a line) and gives it the focus.
    void openFind();
    // Closes it; the display takes the focus and the marks go.
    void closeFind();
    void findNext();
    void findPrevious();

signals:
    // The text's columns moved on the screen (scrolled sideways, or the time
    // column came or went): what stands over them follows.
    void textColumnsMoved();
    void timeColumnChanged(quillar::TimeColumn column);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    enum class Motion {
        NextChar,
        PreviousChar,
        NextWord,
        PreviousWord,
        NextLine,
        PreviousLine,
        NextPage,
        PreviousPage,
        LineStart,
        LineEnd,
        DocumentStart,
        DocumentEnd,
    };

    void onChanged(const DisplayChange &change);
    void paintFrame();
    [[nodiscard]] bool showsEnd() const;
    [[nodiscard]] bool atEnd() const;
    void setFollowing(bool following);
    void followCaret();
    // Schedules a repaint of lines from..to (inclusive) where they are shown.
    void updateLines(qsizetype from, qsizetype to);
    void updateEverything();
    void updateScrollRanges();
    void updateMargins();
    void ensureCaretVisible();
    void move(Motion motion, bool extend);
    void paintLine(QPainter &painter, CellPainter &cells, qsizetype line, qreal y, qsizetype firstColumn,
                   qsizetype endColumn);
    void paintShownLine(QPainter &painter, CellPainter &cells, qsizetype line, qreal y, qsizetype firstColumn,
                        qsizetype endColumn);
    void paintRun(CellPainter &cells, qsizetype lineStart, qsizetype from, qsizetype to, qreal y, const QColor &colour);
    [[nodiscard]] qreal columnX(qsizetype column) const;
    [[nodiscard]] std::pair<qsizetype, qreal> gridPointAt(const QPointF &viewportPoint) const;
    void setSelectionClipboard() const;
    [[nodiscard]] QMimeData *clipboardData(qsizetype from, qsizetype to) const;

    DisplayBuffer &m_buffer;
    CellFont m_cells;
    DisplayFind *m_find = nullptr;
    DisplayContextMenu *m_menu = nullptr;
    TimeGutter *m_gutter = nullptr;
    TimeColumn m_timeColumn = TimeColumn::Off;
    // The column that vertical moves aim for, kept across short lines.
    qsizetype m_goalColumn = -1;
    bool m_dragging = false;
    bool m_following = true;
    // Scrolls the view makes itself, which say nothing of where the user
    // wants to be.
    bool m_selfScroll = false;
    bool m_silentScroll = false;
    // What changed in the model since the last frame; and whether the
    // lines shown are others than those painted.
    DisplayChange m_pending;
    bool m_repaintAll = false;
    FramePacer *m_pacer;
};

} // namespace quillar
