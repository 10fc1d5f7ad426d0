#include "display_view.h"

#include "cell_painter.h"
#include "display_accessible.h"
#include "display_context_menu.h"
#include "display_find.h"
#include "receive/clipboard_text.h"
#include "receive/display_buffer.h"
#include "receive/display_navigation.h"
#include "find_bar.h"
#include "frame_pacer.h"
#include "quiet_scroll_bar.h"
#include "shown_painter.h"
#include "receive/text_finder.h"
#include "time_gutter.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <vector>

namespace quillar {

namespace {

constexpr int CaretWidth = 2;
// The matches of a find that are not the current one (that one is selected).
const QColor FoundColour(150, 120, 0);

} // namespace

DisplayView::DisplayView(DisplayBuffer &buffer, FrameClock &frames, QWidget *parent)
    : QAbstractScrollArea(parent),
      m_buffer(buffer),
      m_cells(font()),
      m_pacer(new FramePacer(*this, frames, FrameClock::DisplayFrame))
{
    setHorizontalScrollBar(new QuietScrollBar(Qt::Horizontal, this));
    setVerticalScrollBar(new QuietScrollBar(Qt::Vertical, this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
    // Every paint fills what it repaints, which lets a scroll move pixels
    // instead of repainting the whole viewport.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    m_cells = CellFont(font(), viewport());
    connect(m_pacer, &FramePacer::frame, this, &DisplayView::paintFrame);

    m_find = new DisplayFind(*this);
    m_menu = new DisplayContextMenu(*this);
    m_gutter = new TimeGutter(*this);
    connect(m_find, &DisplayFind::barToggled, this, &DisplayView::updateMargins);
    connect(m_find, &DisplayFind::marksChanged, this, &DisplayView::updateEverything);
    connect(m_find, &DisplayFind::matchSelected, this, [this] { m_goalColumn = -1; });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &DisplayView::textColumnsMoved);
    // An arrow of the bar moves the text by one column. A column is seldom a
    // whole number of pixels: a fixed step of its rounded width drifted, and
    // forty steps could move forty-one columns.
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        const int step = action == QAbstractSlider::SliderSingleStepAdd ? 1
            : action == QAbstractSlider::SliderSingleStepSub            ? -1
                                                                        : 0;
        if (step == 0)
            return;
        QScrollBar *bar = horizontalScrollBar();
        const qreal cell = cellWidth();
        // Within a pixel of a column's edge counts as at it.
        const qint64 column = step > 0 ? qint64(std::floor((bar->value() + 1) / cell)) + 1
                                       : qint64(std::ceil((bar->value() - 1) / cell)) - 1;
        bar->setSliderPosition(int(std::clamp<qint64>(std::llround(column * cell), bar->minimum(), bar->maximum())));
    });

    connect(&m_buffer, &DisplayBuffer::changed, this, &DisplayView::onChanged);
    connect(&m_buffer, &DisplayBuffer::showChoicesChanged, this, [this] {
        const bool follow = m_following && m_buffer.selLength() == 0;
        updateScrollRanges();
        if (follow)
            followCaret();
        updateEverything();
    });
    m_buffer.setFollowing(true);
    updateScrollRanges();
    new DisplayAnnouncer(*this);
}

qreal DisplayView::columnLeft(qsizetype column) const
{
    return viewport()->mapTo(this, QPoint(0, 0)).x() + TextMargin + (column - 1) * cellWidth();
}

int DisplayView::sidewaysScroll() const
{
    return horizontalScrollBar()->value();
}

qreal DisplayView::columnX(qsizetype column) const
{
    return TextMargin + column * cellWidth() - horizontalScrollBar()->value();
}

qsizetype DisplayView::firstVisibleLine() const
{
    return verticalScrollBar()->value();
}

int DisplayView::visibleLineCount() const
{
    return std::max(1, (viewport()->height() - TextMargin) / lineHeight());
}

// The line under a point (above the first or below the last line, that
// line) and how many cells into it the point lies.
std::pair<qsizetype, qreal> DisplayView::gridPointAt(const QPointF &viewportPoint) const
{
    const auto row = static_cast<qsizetype>(std::floor((viewportPoint.y() - TextMargin) / lineHeight()));
    const qsizetype line = std::clamp<qsizetype>(firstVisibleLine() + row, 0, m_buffer.lineCount() - 1);
    const qreal x = viewportPoint.x() - TextMargin + horizontalScrollBar()->value();
    return {line, x / cellWidth()};
}

qsizetype DisplayView::positionAt(const QPointF &viewportPoint) const
{
    const auto [line, cells] = gridPointAt(viewportPoint);
    return navigation::positionInLine(m_buffer, line, static_cast<qsizetype>(std::floor(cells + 0.5)));
}

qsizetype DisplayView::characterAt(const QPointF &viewportPoint) const
{
    const auto [line, cells] = gridPointAt(viewportPoint);
    return navigation::positionInLine(m_buffer, line, static_cast<qsizetype>(std::floor(cells)));
}

QRectF DisplayView::cellRect(qsizetype position) const
{
    position = std::clamp<qsizetype>(position, 0, m_buffer.length());
    const qsizetype line = m_buffer.lineOfPosition(position);
    const qsizetype column = navigation::columnOf(m_buffer, position);
    const qreal y = TextMargin + qreal(line - firstVisibleLine()) * lineHeight();
    return {columnX(column), y, cellWidth(), qreal(lineHeight())};
}

// --- following the end -------------------------------------------------------

// The last line in view, and horizontally the place where the next
// character will go.
bool DisplayView::showsEnd() const
{
    const QScrollBar *vertical = verticalScrollBar();
    if (vertical->value() < vertical->maximum())
        return false;
    const qreal left = navigation::columnOf(m_buffer, m_buffer.length()) * cellWidth();
    const qreal right = left + cellWidth() + 2 * TextMargin;
    const int scrolled = horizontalScrollBar()->value();
    return left >= scrolled - 0.5 && right <= scrolled + viewport()->width() + 0.5;
}

// Appends may carry the caret along only while it stands at the end in
// view: a caret the user put anywhere else, with a click or a key, starts
// what a drag or Shift+click selects and stays on its character.
bool DisplayView::atEnd() const
{
    return showsEnd() && m_buffer.caret() == m_buffer.length();
}

void DisplayView::setFollowing(bool following)
{
    m_following = following;
    m_buffer.setFollowing(following);
}

// --- model changes and scrolling ---------------------------------------------

void DisplayView::onChanged(const DisplayChange &change)
{
    if (change.renumbered) {
        // Positions taken before a clear no longer name any character: a
        // drag in progress ends here.
        m_dragging = false;
        m_goalColumn = -1;
        m_repaintAll = true;
    } else if (change.linesCut > 0) {
        // Lines cut at the front: the same lines stay where they are on the
        // screen, now under smaller numbers, so the scroll position moves
        // with them and nothing is painted for it. Only a view whose first
        // line was cut away shows something else.
        QScrollBar *vertical = verticalScrollBar();
        if (vertical->value() >= change.linesCut) {
            m_silentScroll = true;
            vertical->setValue(static_cast<int>(vertical->value() - change.linesCut));
            m_silentScroll = false;
        } else {
            m_repaintAll = true;
        }
    }
    // The caret put anywhere but the end, by whoever (a screen reader too),
    // stays there as data arrives.
    if (change.selectionMoved() && (m_buffer.selLength() > 0 || m_buffer.caret() != m_buffer.length()))
        setFollowing(false);
    m_pending.merge(change);
    m_pacer->request();
}

// Everything that changed since the last frame, at most once a frame, and
// not at all while the window is hidden or minimized: the scroll ranges, the
// view at the end (or left where the user put it), the lines to paint again.
void DisplayView::paintFrame()
{
    const DisplayChange pending = std::exchange(m_pending, DisplayChange{});
    const bool everything = pending.renumbered || std::exchange(m_repaintAll, false);
    updateScrollRanges();
    if (pending.text) {
        if (m_following && m_buffer.selLength() == 0)
            followCaret();
        else if (!m_dragging)
            setFollowing(atEnd());
    }
    if (everything) {
        updateEverything();
        return;
    }
    // Lines by their numbers; those cut away since are gone from the screen.
    const qint64 first = m_buffer.firstLineNumber();
    const auto index = [first](qint64 number) { return static_cast<qsizetype>(std::max<qint64>(0, number - first)); };
    if (pending.linesFrom != DisplayChange::NoLine)
        updateLines(index(pending.linesFrom), m_buffer.lineCount() - 1);
    if (pending.selectionMoved() && pending.selectionTo >= first)
        updateLines(index(pending.selectionFrom), index(pending.selectionTo));
}

void DisplayView::flushFrame()
{
    m_pacer->flush();
}

void DisplayView::updateLines(qsizetype from, qsizetype to)
{
    const qsizetype first = firstVisibleLine();
    const qsizetype top = std::max(from, first);
    const qsizetype bottom = std::min(to, first + visibleLineCount() + 1);
    if (top > bottom)
        return;
    const int height = lineHeight();
    const auto y = static_cast<int>(TextMargin + (top - first) * height);
    const auto rows = static_cast<int>(bottom - top + 1);
    // The first row also covers the top margin, the last the rest below it.
    const int upper = top == first ? 0 : y;
    const int lower = bottom + 1 >= m_buffer.lineCount() ? viewport()->height() : y + rows * height;
    viewport()->update(QRect(0, upper, viewport()->width(), lower - upper));
    if (m_gutter->isVisible())
        m_gutter->update(QRect(0, upper, m_gutter->width(), lower - upper));
}

void DisplayView::updateEverything()
{
    viewport()->update();
    m_gutter->update();
}

void DisplayView::updateScrollRanges()
{
    // A range that shrinks under the scroll position moves it: no say of the user's.
    const QScopedValueRollback self(m_selfScroll, true);
    const int lines = visibleLineCount();
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, static_cast<int>(std::max<qsizetype>(0, m_buffer.lineCount() - lines)));
    vertical->setPageStep(lines);
    vertical->setSingleStep(1);

    // One cell beyond the longest line holds the caret at its end.
    const qreal content = 2 * TextMargin + (m_buffer.maxLineLength() + 1) * cellWidth();
    const int width = viewport()->width();
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, static_cast<int>(std::ceil(content)) - width));
    horizontal->setPageStep(std::max(1, width));
    horizontal->setSingleStep(std::max(1, static_cast<int>(std::lround(cellWidth()))));
}

void DisplayView::ensureCaretVisible()
{
    ensureVisible(m_buffer.caret());
}

void DisplayView::ensureVisible(qsizetype caret)
{
    if (m_pacer->pending())
        updateScrollRanges(); // the ranges may not have followed the text yet
    caret = std::clamp<qsizetype>(caret, 0, m_buffer.length());
    const qsizetype line = m_buffer.lineOfPosition(caret);
    QScrollBar *vertical = verticalScrollBar();
    if (line < vertical->value())
        vertical->setValue(static_cast<int>(line));
    else if (line >= vertical->value() + visibleLineCount())
        vertical->setValue(static_cast<int>(line - visibleLineCount() + 1));

    const qreal left = navigation::columnOf(m_buffer, caret) * cellWidth();
    const qreal right = left + cellWidth() + 2 * TextMargin;
    QScrollBar *horizontal = horizontalScrollBar();
    const int width = viewport()->width();
    if (left < horizontal->value())
        horizontal->setValue(static_cast<int>(std::floor(left)));
    else if (right > horizontal->value() + width)
        horizontal->setValue(static_cast<int>(std::ceil(right)) - width);
}

// As text streams in: the last line into view, and horizontally the caret's
// column, by a third of the width at a time, so that one long line growing
// in timer mode scrolls now and then rather than at every frame.
void DisplayView::followCaret()
{
    const QScopedValueRollback self(m_selfScroll, true);
    const qsizetype caret = m_buffer.caret();
    const qsizetype line = m_buffer.lineOfPosition(caret);
    QScrollBar *vertical = verticalScrollBar();
    if (line < vertical->value() || line >= vertical->value() + visibleLineCount())
        vertical->setValue(static_cast<int>(std::max<qsizetype>(0, line - visibleLineCount() + 1)));

    const qreal left = navigation::columnOf(m_buffer, caret) * cellWidth();
    const qreal right = left + cellWidth() + 2 * TextMargin;
    QScrollBar *horizontal = horizontalScrollBar();
    const int width = viewport()->width();
    if (left < horizontal->value())
        horizontal->setValue(std::max(0, static_cast<int>(std::floor(left)) - width / 3));
    else if (right > horizontal->value() + width)
        horizontal->setValue(static_cast<int>(std::ceil(right)) - width + width / 3);
}

void DisplayView::scrollContentsBy(int dx, int dy)
{
    if (m_silentScroll)
        return; // the lines shown stay where they are
    // Where the user scrolled to says whether appends may move the view.
    if (!m_selfScroll && !m_dragging)
        setFollowing(showsEnd());
    // The vertical scroll bar counts lines, the horizontal one pixels.
    if (dy != 0 || dx == 0) {
        viewport()->scroll(dx, dy * lineHeight());
        if (dy != 0 && m_gutter->isVisible())
            m_gutter->scroll(0, dy * lineHeight());
        return;
    }
    // Sideways, only the lines that reach into the columns shown before or
    // after change; the rest stays blank. A long line racing by in timer mode
    // scrolls at nearly every frame, mostly above a blank view.
    const int scrolled = horizontalScrollBar()->value();
    const qreal shownBefore = std::min(scrolled, scrolled + dx);
    const qsizetype first = firstVisibleLine();
    const qsizetype last = std::min(m_buffer.lineCount() - 1, first + visibleLineCount());
    const int height = lineHeight();
    for (qsizetype line = first; line <= last; ++line) {
        // One cell past the end holds the caret or a selected line break.
        const qreal right = TextMargin + (m_buffer.lineLength(line) + 1) * cellWidth();
        if (right <= shownBefore)
            continue;
        const int y = static_cast<int>(TextMargin + (line - first) * height);
        viewport()->update(QRect(0, line == first ? 0 : y, viewport()->width(), height + (line == first ? y : 0)));
    }
}

void DisplayView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateMargins();
}

// The time column left of the text and the find bar below it, in the
// margins of the viewport.
void DisplayView::updateMargins()
{
    const int left = m_gutter->preferredWidth();
    FindBar *findBar = m_find->bar();
    const int bottom = m_find->barShown() ? findBar->sizeHint().height() : 0;
    const bool wasFollowing = m_following && m_buffer.selLength() == 0;
    const int columnsBefore = viewport()->x();
    setViewportMargins(left, 0, 0, bottom);
    const QRect area = viewport()->geometry();
    m_gutter->setGeometry(area.left() - left, area.top(), left, area.height());
    if (findBar)
        findBar->setGeometry(area.left() - left, area.bottom() + 1, area.width() + left, bottom);
    updateScrollRanges();
    if (wasFollowing)
        followCaret(); // a smaller view still shows the end
    if (viewport()->x() != columnsBefore)
        emit textColumnsMoved();
}

void DisplayView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_cells = CellFont(font(), viewport());
        updateMargins();
        updateEverything();
        emit textColumnsMoved();
    }
}

void DisplayView::setTimeColumn(TimeColumn column)
{
    if (column == m_timeColumn)
        return;
    m_timeColumn = column;
    m_gutter->setColumn(column);
    updateMargins();
    emit timeColumnChanged(column);
}

// --- painting ----------------------------------------------------------------

void DisplayView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().color(QPalette::Base));

    const qreal cell = cellWidth();
    const int scrolled = horizontalScrollBar()->value();
    const auto firstColumn =
        std::max<qsizetype>(0, static_cast<qsizetype>(std::floor((scrolled + dirty.left() - TextMargin) / cell)));
    const auto endColumn = static_cast<qsizetype>(std::ceil((scrolled + dirty.right() + 1 - TextMargin) / cell)) + 1;

    const qsizetype first = firstVisibleLine();
    const int height = lineHeight();
    CellPainter cells(painter, m_cells);
    for (qsizetype line = first; line < m_buffer.lineCount(); ++line) {
        const qreal y = TextMargin + (line - first) * height;
        if (y > dirty.bottom())
            break;
        if (y + height < dirty.top())
            continue;
        paintLine(painter, cells, line, y, firstColumn, endColumn);
    }

    if (hasFocus()) {
        const QRectF caret = cellRect(m_buffer.caret());
        painter.fillRect(QRectF(caret.left(), caret.top(), CaretWidth, caret.height()),
                         palette().color(QPalette::Text));
    }
}

void DisplayView::paintLine(QPainter &painter, CellPainter &cells, qsizetype line, qreal y, qsizetype firstColumn,
                            qsizetype endColumn)
{
    if (m_buffer.paintsShown()) {
        paintShownLine(painter, cells, line, y, firstColumn, endColumn);
        return;
    }
    const qsizetype start = m_buffer.lineStart(line);
    const qsizetype length = m_buffer.lineLength(line);
    const qsizetype to = std::min(length, endColumn);
    const qsizetype from = std::min(firstColumn, to);

    // What a find marks in these columns, under the selection.
    const TextFinder &finder = m_find->finder();
    const qsizetype reach = finder.reach();
    if (reach > 0 && from < to) {
        finder.matchesIn(
            start + std::max<qsizetype>(0, from - reach + 1), start + to, [&](qsizetype at, qsizetype found) {
                const qsizetype a = std::max(at - start, from);
                const qsizetype b = std::min(at - start + found, std::min(to, length));
                if (a < b)
                    painter.fillRect(QRectF(columnX(a), y, (b - a) * cellWidth(), lineHeight()), FoundColour);
            });
    }

    // The selection in this line's columns.
    const qsizetype selStart = m_buffer.selStart();
    const qsizetype selEnd = selStart + m_buffer.selLength();
    const qsizetype selFrom = std::clamp(selStart - start, from, to);
    const qsizetype selTo = std::clamp(selEnd - start, from, to);
    const QPalette &colours = palette();

    if (selFrom < selTo) {
        painter.fillRect(QRectF(columnX(selFrom), y, (selTo - selFrom) * cellWidth(), lineHeight()),
                         colours.color(QPalette::Highlight));
    }
    // A selected line break shows as one highlighted cell after the line.
    const bool lastLine = line + 1 == m_buffer.lineCount();
    if (!lastLine && selStart < start + length + 2 && selEnd > start + length && length >= firstColumn
        && length < endColumn) {
        painter.fillRect(QRectF(columnX(length), y, cellWidth(), lineHeight()), colours.color(QPalette::Highlight));
    }

    paintRun(cells, start, from, selFrom, y, colours.color(QPalette::Text));
    paintRun(cells, start, selFrom, selTo, y, colours.color(QPalette::HighlightedText));
    paintRun(cells, start, selTo, to, y, colours.color(QPalette::Text));
}

// The same as the choices show the line: the columns come from its shown
// cells, and positions (marks, selection) map onto them.
void DisplayView::paintShownLine(QPainter &painter, CellPainter &cells, qsizetype line, qreal y, qsizetype firstColumn,
                                 qsizetype endColumn)
{
    const ShownLine &shown = m_buffer.shownLine(line);
    const qsizetype start = m_buffer.lineStart(line);
    const qsizetype length = m_buffer.lineLength(line);
    const auto columnAt = [&](qsizetype pos) {
        return shown.column[std::size_t(std::clamp(pos - start, qsizetype(0), length))];
    };
    const QPalette &colours = palette();
    const qsizetype selStart = m_buffer.selStart();
    const qsizetype selEnd = selStart + m_buffer.selLength();
    const ShownPainter::Frame frame{.top = y,
                                    .firstColumn = firstColumn,
                                    .endColumn = endColumn,
                                    .selectedFrom = columnAt(selStart),
                                    .selectedTo = columnAt(selEnd),
                                    .text = colours.color(QPalette::Text),
                                    .base = colours.color(QPalette::Base),
                                    .selectedText = colours.color(QPalette::HighlightedText),
                                    .columnX = [this](qsizetype column) { return columnX(column); }};
    const ShownPainter shownPainter(painter, m_cells, font());
    shownPainter.paintBackgrounds(shown, frame);
    if (m_find->finder().reach() > 0) {
        m_find->finder().matchesIn(start, start + length, [&](qsizetype at, qsizetype found) {
            const qsizetype a = columnAt(at);
            const qsizetype b = columnAt(at + found);
            painter.fillRect(QRectF(columnX(a), y, (b - a) * cellWidth(), lineHeight()), FoundColour);
        });
    }
    if (frame.selectedFrom < frame.selectedTo) {
        painter.fillRect(
            QRectF(columnX(frame.selectedFrom), y, (frame.selectedTo - frame.selectedFrom) * cellWidth(), lineHeight()),
            colours.color(QPalette::Highlight));
    }
    if (line + 1 < m_buffer.lineCount() && selStart < start + length + 2 && selEnd > start + length)
        painter.fillRect(QRectF(columnX(shown.width), y, cellWidth(), lineHeight()),
                         colours.color(QPalette::Highlight));
    shownPainter.paintText(cells, shown, frame);
}

void DisplayView::paintRun(CellPainter &cells, qsizetype lineStart, qsizetype from, qsizetype to, qreal y,
                           const QColor &colour)
{
    if (from >= to)
        return;
    std::vector<QChar> chars(std::size_t(to - from));
    m_buffer.blocks().decode(lineStart + from, to - from, chars.data());
    cells.begin(colour);
    for (qsizetype column = from; column < to; ++column)
        cells.add(chars[std::size_t(column - from)], columnX(column), y);
    cells.finish();
}

// --- keyboard ----------------------------------------------------------------

void DisplayView::keyPressEvent(QKeyEvent *event)
{
    struct Binding
    {
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey select;
        Motion motion;
    };
    static constexpr Binding bindings[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Motion::NextChar},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Motion::PreviousChar},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Motion::NextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Motion::PreviousWord},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Motion::NextLine},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Motion::PreviousLine},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Motion::NextPage},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Motion::PreviousPage},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Motion::LineStart},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Motion::LineEnd},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Motion::DocumentStart},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Motion::DocumentEnd},
    };

    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    // The context menu's key where the keyboard has no Menu key.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        m_menu->popUpFromKeyboard();
        return;
    }
    for (const Binding &binding : bindings) {
        if (event->matches(binding.move)) {
            move(binding.motion, false);
            return;
        }
        if (event->matches(binding.select)) {
            move(binding.motion, true);
            return;
        }
    }
    // Read-only: anything typed is left to the window, and inserts nothing.
    event->ignore();
}

void DisplayView::move(Motion motion, bool extend)
{
    const qsizetype caret = m_buffer.caret();
    const qsizetype line = m_buffer.lineOfPosition(caret);
    const bool vertical = motion == Motion::NextLine || motion == Motion::PreviousLine || motion == Motion::NextPage
        || motion == Motion::PreviousPage;
    const qsizetype goal = vertical && m_goalColumn >= 0 ? m_goalColumn : navigation::columnOf(m_buffer, caret);
    const int page = visibleLineCount();

    qsizetype target = caret;
    switch (motion) {
    case Motion::NextChar:
        target = !extend && m_buffer.selLength() > 0 ? m_buffer.selStart() + m_buffer.selLength()
                                                     : navigation::nextPosition(m_buffer, caret);
        break;
    case Motion::PreviousChar:
        target =
            !extend && m_buffer.selLength() > 0 ? m_buffer.selStart() : navigation::previousPosition(m_buffer, caret);
        break;
    case Motion::NextWord:
        target = navigation::nextWordPosition(m_buffer, caret);
        break;
    case Motion::PreviousWord:
        target = navigation::previousWordPosition(m_buffer, caret);
        break;
    case Motion::NextLine:
        target = navigation::positionInLine(m_buffer, line + 1, goal);
        break;
    case Motion::PreviousLine:
        target = line == 0 ? 0 : navigation::positionInLine(m_buffer, line - 1, goal);
        break;
    case Motion::NextPage:
        target = navigation::positionInLine(m_buffer, line + page, goal);
        verticalScrollBar()->setValue(verticalScrollBar()->value() + page);
        break;
    case Motion::PreviousPage:
        target = navigation::positionInLine(m_buffer, line - page, goal);
        verticalScrollBar()->setValue(verticalScrollBar()->value() - page);
        break;
    case Motion::LineStart:
        target = m_buffer.lineStart(line);
        break;
    case Motion::LineEnd:
        target = m_buffer.lineStart(line) + m_buffer.lineLength(line);
        break;
    case Motion::DocumentStart:
        target = 0;
        break;
    case Motion::DocumentEnd:
        target = m_buffer.length();
        break;
    }
    if (motion == Motion::NextLine && line + 1 == m_buffer.lineCount())
        target = m_buffer.length();

    m_buffer.setSelection(extend ? m_buffer.anchor() : target, target);
    m_goalColumn = vertical ? goal : -1;
    ensureCaretVisible();
    // Ctrl+End at the end follows again, whether the view had to move or not.
    setFollowing(atEnd());
}

// While a choice shows the text otherwise, what is copied is what shows.
QMimeData *DisplayView::clipboardData(qsizetype from, qsizetype to) const
{
    if (!m_buffer.showsOtherwise())
        return new ClipboardText(m_buffer.slice(from, to));
    auto *data = new QMimeData;
    data->setText(m_buffer.shownText(from, to));
    return data;
}

void DisplayView::copy() const
{
    if (m_buffer.selLength() > 0)
        QGuiApplication::clipboard()->setMimeData(
            clipboardData(m_buffer.selStart(), m_buffer.selStart() + m_buffer.selLength()));
}

void DisplayView::copyAll() const
{
    if (m_buffer.length() > 0)
        QGuiApplication::clipboard()->setMimeData(clipboardData(0, m_buffer.length()));
}

void DisplayView::selectAll()
{
    m_buffer.setSelection(0, m_buffer.length());
    setSelectionClipboard();
}

void DisplayView::setSelectionClipboard() const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && m_buffer.selLength() > 0)
        clipboard->setMimeData(clipboardData(m_buffer.selStart(), m_buffer.selStart() + m_buffer.selLength()),
                               QClipboard::Selection);
}

// --- find --------------------------------------------------------------------

TextFinder &DisplayView::finder() const
{
    return m_find->finder();
}

FindBar *DisplayView::findBar() const
{
    return m_find->bar();
}

void DisplayView::openFind()
{
    m_find->open();
}

void DisplayView::closeFind()
{
    m_find->close();
}

void DisplayView::findNext()
{
    m_find->next();
}

void DisplayView::findPrevious()
{
    m_find->previous();
}

// --- mouse -------------------------------------------------------------------

void DisplayView::mousePressEvent(QMouseEvent *event)
{
    // Only the left button selects; the right one keeps the selection for
    // the context menu.
    if (event->button() != Qt::LeftButton)
        return;
    const qsizetype pos = positionAt(event->position());
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    // Appends leave a drag alone: its anchor stays on its character.
    setFollowing(false);
    m_dragging = true;
    m_buffer.setSelection(extend ? m_buffer.anchor() : pos, pos);
    m_goalColumn = -1;
    ensureCaretVisible();
}

void DisplayView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    m_buffer.setSelection(m_buffer.anchor(), positionAt(event->position()));
    ensureCaretVisible();
}

void DisplayView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    setFollowing(atEnd());
    setSelectionClipboard();
}

void DisplayView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const auto [from, to] = navigation::wordAt(m_buffer, characterAt(event->position()));
    m_buffer.setSelection(from, to);
    m_dragging = false;
    setSelectionClipboard();
}

// --- the context menu ---------------------------------------------------------

void DisplayView::contextMenuEvent(QContextMenuEvent *event)
{
    if (event->reason() == QContextMenuEvent::Mouse)
        m_menu->popUpAt(event->globalPos());
    else
        m_menu->popUpFromKeyboard();
}

QMenu *DisplayView::createContextMenu(QWidget *parent)
{
    return m_menu->create(parent);
}

void DisplayView::setMenuExtension(std::function<void(QMenu &)> extend)
{
    m_menu->setExtension(std::move(extend));
}

void DisplayView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void DisplayView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

} // namespace quillar
