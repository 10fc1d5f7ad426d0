#include "display_accessible.h"

#include "receive/display_buffer.h"
#include "receive/shown_offsets.h"
#include "display_view.h"
#include "shown_painter.h"
#include "menu_accessible.h"
#include "platform_widgets/accessible_factory.h"
#include "read_only_text_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace quillar {

namespace {

QString rgb(const QColor &c)
{
    return QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

// A screen reader reads no more than this of a line around its place: a
// line in timer mode may hold the whole scrollback.
constexpr qsizetype LongestRead = 32768;

// The text a reader gets: the display's own, or with a choice on (shown
// non-null) the text as shown, without its hidden sequences.
struct ReadText
{
    const DisplayBuffer &buffer;
    ShownOffsets *shown;

    [[nodiscard]] qsizetype length() const { return shown ? shown->length() : buffer.length(); }
    [[nodiscard]] qsizetype lineCount() const { return buffer.lineCount(); }
    [[nodiscard]] qsizetype lineOf(qsizetype offset) const
    {
        return shown ? shown->lineOf(offset) : buffer.lineOfPosition(offset);
    }
    [[nodiscard]] qsizetype lineStart(qsizetype line) const
    {
        return shown ? shown->lineStart(line) : buffer.lineStart(line);
    }
    [[nodiscard]] QString mid(qsizetype from, qsizetype count) const
    {
        return shown ? shown->text(from, from + count) : buffer.mid(from, count);
    }
    // Offsets of the text read, to the display's positions and back.
    [[nodiscard]] qsizetype toExact(qsizetype offset) const { return shown ? shown->toExact(offset) : offset; }
    [[nodiscard]] int toRead(qsizetype position) const { return int(shown ? shown->toShown(position) : position); }
};

// The stretch of the given kind that holds offset: a character, a word or a
// sentence (within its line), a line with its CR LF, or all of the text.
std::pair<int, int> around(const ReadText &read, int offset, QAccessible::TextBoundaryType boundary)
{
    const qsizetype length = read.length();
    if (offset < 0 || offset > length)
        return {-1, -1};
    if (boundary == QAccessible::NoBoundary)
        return {0, int(length)};
    if (boundary == QAccessible::CharBoundary)
        return {offset, int(std::min<qsizetype>(offset + 1, length))};
    const qsizetype line = read.lineOf(offset);
    const qsizetype start = std::max(read.lineStart(line), offset - LongestRead);
    const qsizetype lineEnd = line + 1 < read.lineCount() ? read.lineStart(line + 1) : length;
    const qsizetype end = std::min(lineEnd, offset + LongestRead);
    if (boundary == QAccessible::LineBoundary || boundary == QAccessible::ParagraphBoundary)
        return {int(start), int(end)};
    const QString text = read.mid(start, end - start);
    QTextBoundaryFinder finder(
        boundary == QAccessible::WordBoundary ? QTextBoundaryFinder::Word : QTextBoundaryFinder::Sentence, text);
    finder.setPosition(offset - start);
    const qsizetype from = finder.isAtBoundary() ? finder.position() : finder.toPreviousBoundary();
    finder.setPosition(offset - start);
    qsizetype to = finder.toNextBoundary();
    if (to < 0)
        to = text.size();
    return {int(start + std::max<qsizetype>(from, 0)), int(start + to)};
}

class DisplayAccessible final : public ReadOnlyTextAccessible
{
public:
    explicit DisplayAccessible(DisplayView *view) : ReadOnlyTextAccessible(view, QAccessible::EditableText) { }

    QAccessible::State state() const override
    {
        QAccessible::State s = ReadOnlyTextAccessible::state();
        s.selectableText = true;
        s.focusable = true;
        return s;
    }

    // -- selection and caret
    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        if (index == 0 && buffer().selLength() > 0) {
            *start = read().toRead(buffer().selStart());
            *end = read().toRead(buffer().selStart() + buffer().selLength());
        }
    }
    int selectionCount() const override { return buffer().selLength() > 0 ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override
    {
        if (index == 0)
            buffer().setSelection(buffer().caret(), buffer().caret());
    }
    void setSelection(int index, int start, int end) override
    {
        if (index == 0)
            buffer().setSelection(read().toExact(start), read().toExact(end));
    }
    int cursorPosition() const override { return read().toRead(buffer().caret()); }
    void setCursorPosition(int position) override
    {
        const qsizetype exact = read().toExact(position);
        buffer().setSelection(exact, exact);
        view()->ensureVisible(buffer().caret());
    }

    // -- text
    QString text(int start, int end) const override
    {
        const ReadText text = read();
        const qsizetype length = text.length();
        const qsizetype from = std::clamp<qsizetype>(start, 0, length);
        const qsizetype to = end < 0 ? length : std::clamp<qsizetype>(end, from, length);
        return text.mid(from, to - from);
    }
    // Qt's own answers to these read the whole text first.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *start, int *end) const override
    {
        return stretch(around(read(), offset, boundary), start, end);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *start, int *end) const override
    {
        const auto [from, to] = around(read(), offset, boundary);
        return stretch(from <= 0 ? std::pair(-1, -1) : around(read(), from - 1, boundary), start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *start, int *end) const override
    {
        const ReadText text = read();
        const auto [from, to] = around(text, offset, boundary);
        return stretch(from < 0 || to >= text.length() ? std::pair(-1, -1) : around(text, to, boundary), start, end);
    }
    int characterCount() const override { return int(read().length()); }
    QString text(QAccessible::Text t) const override { return QAccessibleWidget::text(t); }

    // -- geometry, in screen coordinates, as magnifiers follow the caret
    QRect characterRect(int offset) const override
    {
        if (offset < 0 || offset > read().length())
            return {};
        const QRectF cell = view()->cellRect(read().toExact(offset));
        const QPoint topLeft = view()->viewport()->mapToGlobal(cell.topLeft().toPoint());
        return {topLeft, cell.size().toSize()};
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = view()->viewport()->mapFromGlobal(point);
        if (!view()->viewport()->rect().contains(local))
            return -1;
        return read().toRead(view()->characterAt(local));
    }
    void scrollToSubstring(int start, int end) override
    {
        const qsizetype length = read().length();
        view()->ensureVisible(read().toExact(std::clamp<qsizetype>(end, 0, length)));
        view()->ensureVisible(read().toExact(std::clamp<qsizetype>(start, 0, length)));
    }
    QString attributes(int offset, int *start, int *end) const override
    {
        if (offset < 0 || offset > read().length()) {
            *start = *end = -1;
            return {};
        }
        const QFont f = view()->font();
        const QPalette &p = view()->palette();
        const QString font = QStringLiteral("font-family:\"%1\";font-size:%2pt;").arg(f.family()).arg(f.pointSizeF());
        if (buffer().paintsShown()) {
            const QString attributes = shownAttributes(int(read().toExact(offset)), start, end);
            *start = read().toRead(*start);
            *end = read().toRead(*end);
            return font + attributes;
        }
        // One font and one pair of colours for the whole text.
        *start = 0;
        *end = int(read().length());
        return font
            + QStringLiteral("font-weight:normal;color:%1;background-color:%2;")
                  .arg(rgb(p.color(QPalette::Text)), rgb(p.color(QPalette::Base)));
    }

private:
    DisplayView *view() const { return static_cast<DisplayView *>(widget()); }
    ReadText read() const
    {
        return {buffer(),
                buffer().showsOtherwise() ? view()->findChild<ShownOffsets *>(QString(), Qt::FindDirectChildrenOnly)
                                          : nullptr};
    }

    // The style of the shown character at offset (of the one after it, for
    // a hidden one), over the run of its line that shares it.
    QString shownAttributes(int offset, int *start, int *end) const
    {
        const qsizetype line = buffer().lineOfPosition(offset);
        const qsizetype lineStart = buffer().lineStart(line);
        const ShownLine &shown = buffer().shownLine(line);
        const auto &cells = shown.cells;
        const qsizetype within = offset - lineStart;
        std::size_t at = 0;
        while (at < cells.size() && cells[at].to <= within)
            ++at;
        if (at == cells.size()) { // hidden at the line's end, or its line break
            *start = offset;
            *end = offset + 1;
            return plainAttributes(shown);
        }
        const CellStyle style = cells[at].style;
        std::size_t first = at;
        std::size_t last = at;
        while (first > 0 && cells[first - 1].style == style)
            --first;
        while (last + 1 < cells.size() && cells[last + 1].style == style)
            ++last;
        // Hidden characters go with the shown one after them.
        *start = int(lineStart + (first == 0 ? 0 : cells[first - 1].to));
        *end = int(lineStart + (last + 1 < cells.size() ? cells[last].to : buffer().lineLength(line)));
        return styleAttributes(style, shown.background);
    }

    QString plainAttributes(const ShownLine &shown) const { return styleAttributes({}, shown.background); }

    QString styleAttributes(const CellStyle &style, quint32 lineBackground) const
    {
        const QPalette &p = view()->palette();
        QColor fore = style.foreground == CellStyle::Default ? p.color(QPalette::Text) : shownColour(style.foreground);
        QColor back = style.background != CellStyle::Default ? shownColour(style.background)
            : lineBackground != CellStyle::Default           ? shownColour(lineBackground)
                                                             : p.color(QPalette::Base);
        if (style.has(CellStyle::Reverse))
            std::swap(fore, back);
        QString attributes = QStringLiteral("font-weight:%1;color:%2;background-color:%3;")
                                 .arg(style.has(CellStyle::Bold) ? QStringLiteral("bold") : QStringLiteral("normal"),
                                      rgb(fore), rgb(back));
        if (style.has(CellStyle::Italic))
            attributes += QStringLiteral("font-style:italic;");
        if (style.has(CellStyle::Underline))
            attributes += QStringLiteral("text-underline-style:solid;");
        return attributes;
    }
    DisplayBuffer &buffer() const { return view()->buffer(); }

    QString stretch(std::pair<int, int> range, int *start, int *end) const
    {
        *start = range.first;
        *end = range.second;
        return range.first < 0 ? QString() : read().mid(range.first, range.second - range.first);
    }
};

} // namespace

DisplayAnnouncer::DisplayAnnouncer(DisplayView &view) : QObject(&view), m_view(view)
{
    installAccessibleFactory<DisplayView, DisplayAccessible>();
    installMenuAccessibility();
    m_shown = new ShownOffsets(view.buffer(), &view);
    m_merge.setSingleShot(true);
    m_merge.setInterval(MergeMs);
    connect(&m_merge, &QTimer::timeout, this, &DisplayAnnouncer::flush);
    connect(&view.buffer(), &DisplayBuffer::textChanged, this, &DisplayAnnouncer::textChanged);
    connect(&view.buffer(), &DisplayBuffer::selectionChanged, this, &DisplayAnnouncer::selectionChanged);
    m_announcedFrom = view.buffer().removedCount();
    m_announced = view.buffer().slice(0, view.buffer().length());
}

void DisplayAnnouncer::textChanged()
{
    // While nobody listens nothing is done, and no old text is held; the
    // first announcement to a listener tells what came since.
    if (!QAccessible::isActive()) {
        if (!m_announced.isEmpty()) {
            m_announcedFrom += m_announced.size();
            m_announced = {};
        }
        return;
    }
    if (!m_merge.isActive())
        m_merge.start();
}

void DisplayAnnouncer::selectionChanged()
{
    // While text streams in, the caret and selection go with the next merged
    // announcement.
    if (!QAccessible::isActive() || m_merge.isActive())
        return;
    announceCaretAndSelection();
}

void DisplayAnnouncer::flush()
{
    m_merge.stop();
    if (!QAccessible::isActive())
        return;
    const DisplayBuffer &buffer = m_view.buffer();
    const TextDelta delta = textDelta(m_announced, m_announcedFrom, buffer);
    m_announcedFrom = buffer.removedCount();
    m_announced = buffer.slice(0, buffer.length());
    if (!delta.removed.isEmpty()) {
        QAccessibleTextRemoveEvent event(&m_view, 0, delta.removed);
        QAccessible::updateAccessibility(&event);
    }
    if (!delta.inserted.isEmpty() && buffer.showsOtherwise()) {
        // What shows of the new characters, where the reader has it.
        const qsizetype end = delta.insertAt + delta.inserted.size();
        QAccessibleTextInsertEvent event(&m_view, int(m_shown->toShown(delta.insertAt)),
                                         buffer.shownText(delta.insertAt, end));
        QAccessible::updateAccessibility(&event);
    } else if (!delta.inserted.isEmpty()) {
        QAccessibleTextInsertEvent event(&m_view, int(delta.insertAt), delta.inserted);
        QAccessible::updateAccessibility(&event);
    }
    announceCaretAndSelection();
}

void DisplayAnnouncer::announceCaretAndSelection()
{
    const DisplayBuffer &buffer = m_view.buffer();
    const qsizetype selStart = buffer.selStart();
    const qsizetype selEnd = selStart + buffer.selLength();
    if (selStart != m_selStart || selEnd != m_selEnd) {
        m_selStart = selStart;
        m_selEnd = selEnd;
        QAccessibleTextSelectionEvent event(&m_view, read(selStart), read(selEnd));
        event.setCursorPosition(read(buffer.caret()));
        QAccessible::updateAccessibility(&event);
    }
    if (buffer.caret() != m_caret) {
        m_caret = buffer.caret();
        QAccessibleTextCursorEvent event(&m_view, read(m_caret));
        QAccessible::updateAccessibility(&event);
    }
}

int DisplayAnnouncer::read(qsizetype position) const
{
    return int(m_view.buffer().showsOtherwise() ? m_shown->toShown(position) : position);
}

} // namespace quillar
