#include "display_view.h"

#include "display_accessible.h"
#include "display_buffer.h"
#include "display_navigation.h"
#include "quiet_scroll_bar.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace quillar {

namespace {

constexpr int CaretWidth = 2;

} // namespace

DisplayView::DisplayView(DisplayBuffer &buffer, QWidget *parent)
    : QAbstractScrollArea(parent), m_buffer(buffer), m_cells(font())
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
    m_frame.setSingleShot(true);
    connect(&m_frame, &QTimer::timeout, this, &DisplayView::paintFrame);

    connect(&m_buffer, &DisplayBuffer::textChanged, this, &DisplayView::onTextChanged);
    connect(&m_buffer, &DisplayBuffer::selectionChanged, this, &DisplayView::onSelectionChanged);
    m_seenRenumberings = m_buffer.renumberings();
    m_seenFirstLine = m_buffer.firstLineNumber();
    m_seenLastLine = m_seenFirstLine + m_buffer.lineCount() - 1;
    updateScrollRanges();
    new DisplayAnnouncer(*this);
}

qreal DisplayView::columnLeft(qsizetype column) const
{
    return viewport()->mapTo(this, QPoint(0, 0)).x() + TextMargin + (column - 1) * cellWidth();
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

qsizetype DisplayView::positionAt(const QPointF &viewportPoint) const
{
    const auto row = static_cast<qsizetype>(std::floor((viewportPoint.y() - TextMargin) / lineHeight()));
    const qsizetype line = std::clamp<qsizetype>(firstVisibleLine() + row, 0, m_buffer.lineCount() - 1);
    const qreal x = viewportPoint.x() - TextMargin + horizontalScrollBar()->value();
    const auto column = static_cast<qsizetype>(std::floor(x / cellWidth() + 0.5));
    return navigation::positionInLine(m_buffer, line, column);
}

qsizetype DisplayView::characterAt(const QPointF &viewportPoint) const
{
    const auto row = static_cast<qsizetype>(std::floor((viewportPoint.y() - TextMargin) / lineHeight()));
    const qsizetype line = std::clamp<qsizetype>(firstVisibleLine() + row, 0, m_buffer.lineCount() - 1);
    const qreal x = viewportPoint.x() - TextMargin + horizontalScrollBar()->value();
    const auto column = static_cast<qsizetype>(std::floor(x / cellWidth()));
    return navigation::positionInLine(m_buffer, line, column);
}

QRectF DisplayView::cellRect(qsizetype position) const
{
    position = std::clamp<qsizetype>(position, 0, m_buffer.length());
    const qsizetype line = m_buffer.lineOfPosition(position);
    const qsizetype column = position - m_buffer.lineStart(line);
    const qreal y = TextMargin + (line - firstVisibleLine()) * lineHeight();
    return {columnX(column), y, cellWidth(), qreal(lineHeight())};
}

// --- model changes and scrolling ---------------------------------------------

void DisplayView::onTextChanged()
{
    // Positions taken before a cut or a clear no longer name the same
    // characters: a drag in progress ends here.
    m_dragging = false;
    m_goalColumn = -1;
    const qint64 first = m_buffer.firstLineNumber();
    if (m_buffer.renumberings() != m_seenRenumberings) {
        m_pending.everything = true;
    } else {
        // Lines cut at the front: the same lines stay where they are on the
        // screen, now under smaller numbers, so the scroll position moves
        // with them and nothing is painted for it. Only a view whose first
        // line was cut away shows something else.
        const qint64 cut = first - m_seenFirstLine;
        QScrollBar *vertical = verticalScrollBar();
        if (cut > 0 && vertical->value() >= cut) {
            const bool partialFirst = vertical->value() == cut; // line 0 lost its front
            m_silentScroll = true;
            vertical->setValue(static_cast<int>(vertical->value() - cut));
            m_silentScroll = false;
            if (partialFirst)
                m_pending.fromLine = std::min(m_pending.fromLine, first);
        } else if (cut > 0) {
            m_pending.everything = true;
        }
        // The text grew at the end, from the old last line on.
        m_pending.fromLine = std::min(m_pending.fromLine, std::max(first, m_seenLastLine));
    }
    m_seenRenumberings = m_buffer.renumberings();
    m_seenFirstLine = first;
    m_seenLastLine = first + m_buffer.lineCount() - 1;
    m_pending.followCaret = true;
    scheduleFrame();
}

void DisplayView::onSelectionChanged()
{
    const qsizetype from = m_buffer.selStart();
    const qsizetype to = from + m_buffer.selLength();
    const qsizetype firstLine = m_buffer.lineOfPosition(std::min(from, std::min(m_seenSelFrom, m_buffer.length())));
    const qsizetype lastLine = m_buffer.lineOfPosition(std::max(to, std::min(m_seenSelTo, m_buffer.length())));
    m_seenSelFrom = from;
    m_seenSelTo = to;
    m_pending.selectionFrom = std::min(m_pending.selectionFrom, m_buffer.firstLineNumber() + firstLine);
    m_pending.selectionTo = std::max(m_pending.selectionTo, m_buffer.firstLineNumber() + lastLine);
    scheduleFrame();
}

void DisplayView::scheduleFrame()
{
    if (m_frame.isActive())
        return;
    // A frame's time after the last one: at once when data comes after a
    // rest, so it shows without delay and in the same wake-up as its read.
    const qint64 since = m_sinceFrame.isValid() ? m_sinceFrame.elapsed() : FrameMs;
    m_frame.start(static_cast<int>(std::max<qint64>(0, FrameMs - since)));
}

bool DisplayView::shown() const
{
    const QWindow *native = window()->windowHandle();
    return isVisible() && native && native->isExposed();
}

// Everything that changed since the last frame, at most once a frame, and
// not at all while the window is hidden or minimized: the scroll ranges, the
// caret followed into view, the lines to paint again.
void DisplayView::paintFrame()
{
    m_frame.stop();
    if (!shown())
        return; // the expose that shows the window again brings the frame
    m_sinceFrame.start();
    const Pending pending = std::exchange(m_pending, Pending{});
    updateScrollRanges();
    if (pending.followCaret)
        followCaret();
    if (pending.everything) {
        viewport()->update();
        return;
    }
    // Lines by their numbers; those cut away since are gone from the screen.
    const qint64 first = m_buffer.firstLineNumber();
    const auto index = [first](qint64 number) { return static_cast<qsizetype>(std::max<qint64>(0, number - first)); };
    if (pending.fromLine < std::numeric_limits<qint64>::max())
        updateLines(index(pending.fromLine), m_buffer.lineCount() - 1);
    if (pending.selectionFrom <= pending.selectionTo && pending.selectionTo >= first)
        updateLines(index(pending.selectionFrom), index(pending.selectionTo));
}

bool DisplayView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Expose && m_pending.any())
        scheduleFrame();
    return QAbstractScrollArea::eventFilter(watched, event);
}

void DisplayView::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    if (QWindow *native = window()->windowHandle(); native && native != m_watchedWindow) {
        native->installEventFilter(this);
        m_watchedWindow = native;
    }
    if (m_pending.any())
        scheduleFrame();
}

void DisplayView::flushFrame()
{
    if (m_pending.any())
        paintFrame();
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
}

void DisplayView::updateScrollRanges()
{
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
    if (m_pending.any())
        updateScrollRanges(); // the ranges may not have followed the text yet
    caret = std::clamp<qsizetype>(caret, 0, m_buffer.length());
    const qsizetype line = m_buffer.lineOfPosition(caret);
    QScrollBar *vertical = verticalScrollBar();
    if (line < vertical->value())
        vertical->setValue(static_cast<int>(line));
    else if (line >= vertical->value() + visibleLineCount())
        vertical->setValue(static_cast<int>(line - visibleLineCount() + 1));

    const qsizetype column = caret - m_buffer.lineStart(line);
    const qreal left = column * cellWidth();
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
    const qsizetype caret = m_buffer.caret();
    const qsizetype line = m_buffer.lineOfPosition(caret);
    QScrollBar *vertical = verticalScrollBar();
    if (line < vertical->value() || line >= vertical->value() + visibleLineCount())
        vertical->setValue(static_cast<int>(std::max<qsizetype>(0, line - visibleLineCount() + 1)));

    const qreal left = (caret - m_buffer.lineStart(line)) * cellWidth();
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
    // The vertical scroll bar counts lines, the horizontal one pixels.
    if (dy != 0 || dx == 0) {
        viewport()->scroll(dx, dy * lineHeight());
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
    updateScrollRanges();
}

void DisplayView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_cells = CellFont(font(), viewport());
        updateScrollRanges();
        viewport()->update();
    }
}

// --- painting ----------------------------------------------------------------

void DisplayView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().color(QPalette::Base));

    const qreal cell = cellWidth();
    const int scrolled = horizontalScrollBar()->value();
    const auto firstColumn = std::max<qsizetype>(0, static_cast<qsizetype>(std::floor((scrolled + dirty.left() - TextMargin) / cell)));
    const auto endColumn = static_cast<qsizetype>(std::ceil((scrolled + dirty.right() + 1 - TextMargin) / cell)) + 1;

    const qsizetype first = firstVisibleLine();
    const int height = lineHeight();
    for (qsizetype line = first; line < m_buffer.lineCount(); ++line) {
        const qreal y = TextMargin + (line - first) * height;
        if (y > dirty.bottom())
            break;
        if (y + height < dirty.top())
            continue;
        paintLine(painter, line, y, firstColumn, endColumn);
    }

    if (hasFocus()) {
        const QRectF caret = cellRect(m_buffer.caret());
        painter.fillRect(QRectF(caret.left(), caret.top(), CaretWidth, caret.height()),
                         palette().color(QPalette::Text));
    }
}

void DisplayView::paintLine(QPainter &painter, qsizetype line, qreal y, qsizetype firstColumn,
                            qsizetype endColumn)
{
    const qsizetype start = m_buffer.lineStart(line);
    const qsizetype length = m_buffer.lineLength(line);
    const qsizetype to = std::min(length, endColumn);
    const qsizetype from = std::min(firstColumn, to);

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
    if (!lastLine && selStart < start + length + 2 && selEnd > start + length
        && length >= firstColumn && length < endColumn) {
        painter.fillRect(QRectF(columnX(length), y, cellWidth(), lineHeight()),
                         colours.color(QPalette::Highlight));
    }

    paintRun(painter, start, from, selFrom, y, colours.color(QPalette::Text));
    paintRun(painter, start, selFrom, selTo, y, colours.color(QPalette::HighlightedText));
    paintRun(painter, start, selTo, to, y, colours.color(QPalette::Text));
}

void DisplayView::paintRun(QPainter &painter, qsizetype lineStart, qsizetype from, qsizetype to,
                           qreal y, const QColor &colour)
{
    if (from >= to)
        return;
    const QChar *chars = m_buffer.text().constData() + lineStart;
    std::vector<quint32> glyphs;
    std::vector<QPointF> positions;
    glyphs.reserve(static_cast<std::size_t>(to - from));
    positions.reserve(static_cast<std::size_t>(to - from));

    painter.setPen(QPen(colour, 1));
    painter.setBrush(Qt::NoBrush);
    const qreal cell = cellWidth();
    const qreal baseline = y + m_cells.ascent();
    for (qsizetype column = from; column < to; ++column) {
        const CellFont::Cell shape = m_cells.cellFor(chars[column]);
        const qreal x = columnX(column);
        if (shape.shape == CellFont::Shape::Glyph) {
            glyphs.push_back(shape.glyph);
            positions.emplace_back(x + shape.xOffset, baseline);
            continue;
        }
        // A box from the cap height to the baseline, inside the cell.
        const QRectF box(x + 1.5, baseline - m_cells.ascent() * 0.7, std::max<qreal>(1, cell - 3),
                         m_cells.ascent() * 0.7 - 0.5);
        painter.drawRect(box);
        if (shape.shape == CellFont::Shape::Missing)
            painter.drawLine(box.bottomLeft(), box.topRight());
    }
    if (glyphs.empty() || !m_cells.rawFont().isValid())
        return;
    QGlyphRun run;
    run.setRawFont(m_cells.rawFont());
    run.setRawData(glyphs.data(), positions.data(), static_cast<int>(glyphs.size()));
    painter.drawGlyphRun(QPointF(0, 0), run);
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
    const bool vertical = motion == Motion::NextLine || motion == Motion::PreviousLine
        || motion == Motion::NextPage || motion == Motion::PreviousPage;
    const qsizetype goal = vertical && m_goalColumn >= 0 ? m_goalColumn : navigation::columnOf(m_buffer, caret);
    const int page = visibleLineCount();

    qsizetype target = caret;
    switch (motion) {
    case Motion::NextChar:
        target = !extend && m_buffer.selLength() > 0 ? m_buffer.selStart() + m_buffer.selLength()
                                                     : navigation::nextPosition(m_buffer, caret);
        break;
    case Motion::PreviousChar:
        target = !extend && m_buffer.selLength() > 0 ? m_buffer.selStart()
                                                     : navigation::previousPosition(m_buffer, caret);
        break;
    case Motion::NextWord: target = navigation::nextWordPosition(m_buffer, caret); break;
    case Motion::PreviousWord: target = navigation::previousWordPosition(m_buffer, caret); break;
    case Motion::NextLine: target = navigation::positionInLine(m_buffer, line + 1, goal); break;
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
    case Motion::LineStart: target = m_buffer.lineStart(line); break;
    case Motion::LineEnd: target = m_buffer.lineStart(line) + m_buffer.lineLength(line); break;
    case Motion::DocumentStart: target = 0; break;
    case Motion::DocumentEnd: target = m_buffer.length(); break;
    }
    if (motion == Motion::NextLine && line + 1 == m_buffer.lineCount())
        target = m_buffer.length();

    m_buffer.setSelection(extend ? m_buffer.anchor() : target, target);
    m_goalColumn = vertical ? goal : -1;
    ensureCaretVisible();
}

void DisplayView::copy() const
{
    if (m_buffer.selLength() > 0)
        QGuiApplication::clipboard()->setText(m_buffer.selectedText());
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
        clipboard->setText(m_buffer.selectedText(), QClipboard::Selection);
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
    m_buffer.setSelection(extend ? m_buffer.anchor() : pos, pos);
    m_goalColumn = -1;
    m_dragging = true;
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

void DisplayView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

QMenu *DisplayView::createContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    QAction *copyAction = menu->addAction(tr("&Copy"), this, &DisplayView::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(m_buffer.selLength() > 0);
    QAction *selectAllAction = menu->addAction(tr("Select &All"), this, &DisplayView::selectAll);
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    selectAllAction->setEnabled(m_buffer.length() > 0);
    return menu;
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
