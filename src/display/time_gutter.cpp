#include "time_gutter.h"

#include "cell_painter.h"
#include "receive/display_buffer.h"
#include "display_view.h"
#include "platform_widgets/accessible_factory.h"
#include "read_only_text_accessible.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quillar {

namespace {

// Each display line is one line of the accessible text, its time right
// aligned in TimeColumnChars characters, so that offsets map to lines by
// division whatever the number of lines.
constexpr int Stride = TimeColumnChars + 1;

QColor mix(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(float(a.redF() * (1 - share) + b.redF() * share),
                            float(a.greenF() * (1 - share) + b.greenF() * share),
                            float(a.blueF() * (1 - share) + b.blueF() * share));
}

QString padded(const QString &time)
{
    return time.size() >= TimeColumnChars ? time.right(TimeColumnChars)
                                          : QString(TimeColumnChars - time.size(), QLatin1Char(' ')) + time;
}

class TimeGutterAccessible final : public ReadOnlyTextAccessible
{
public:
    explicit TimeGutterAccessible(TimeGutter *gutter) : ReadOnlyTextAccessible(gutter, QAccessible::StaticText) { }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return QStringLiteral("Colonna dell'ora");
        if (t == QAccessible::Description)
            return timeColumnLabel(gutter()->column()).remove(QLatin1Char('&'));
        return QAccessibleWidget::text(t);
    }

    // -- the text: the lines' times, one a line
    QString text(int start, int end) const override
    {
        const int count = characterCount();
        start = std::clamp(start, 0, count);
        end = end < 0 ? count : std::clamp(end, start, count);
        QString out;
        for (qint64 line = start / Stride; line * Stride < end; ++line) {
            const QString row = padded(gutter()->lineText(qsizetype(line))) + QLatin1Char('\n');
            const qint64 from = std::max<qint64>(start - line * Stride, 0);
            const qint64 to = std::min<qint64>(end - line * Stride, Stride);
            out += row.mid(qsizetype(from), qsizetype(to - from));
        }
        return out;
    }
    int characterCount() const override
    {
        return int(std::min<qint64>(qint64(lines()) * Stride - 1, std::numeric_limits<int>::max()));
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *start, int *end) const override
    {
        return around(offset, boundary, start, end);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *start, int *end) const override
    {
        return around(boundary == QAccessible::CharBoundary ? offset - 1 : offset - Stride, boundary, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *start, int *end) const override
    {
        return around(boundary == QAccessible::CharBoundary ? offset + 1 : offset + Stride, boundary, start, end);
    }

    // -- no caret, no selection
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }

    QRect characterRect(int offset) const override
    {
        const DisplayView &view = gutter()->view();
        const qsizetype line = offset / Stride;
        const int column = offset % Stride;
        const int y = DisplayView::TextMargin + int(line - view.firstVisibleLine()) * view.lineHeight();
        const int x = DisplayView::TextMargin + int(std::floor(column * view.cellWidth()));
        return {gutter()->mapToGlobal(QPoint(x, y)), QSize(int(std::ceil(view.cellWidth())), view.lineHeight())};
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = gutter()->mapFromGlobal(point);
        if (!gutter()->rect().contains(local))
            return -1;
        const DisplayView &view = gutter()->view();
        const qsizetype line = view.firstVisibleLine() + (local.y() - DisplayView::TextMargin) / view.lineHeight();
        const int column = std::clamp(int((local.x() - DisplayView::TextMargin) / view.cellWidth()), 0, Stride - 1);
        return int(std::clamp<qint64>(qint64(line) * Stride + column, 0, characterCount()));
    }
    void scrollToSubstring(int start, int) override
    {
        DisplayView &view = gutter()->view();
        const qsizetype line = std::clamp<qsizetype>(start / Stride, 0, view.buffer().lineCount() - 1);
        view.ensureVisible(view.buffer().lineStart(line));
    }
    QString attributes(int offset, int *start, int *end) const override
    {
        *start = *end = offset < 0 || offset > characterCount() ? -1 : offset;
        return {};
    }

private:
    TimeGutter *gutter() const { return static_cast<TimeGutter *>(widget()); }
    qsizetype lines() const { return gutter()->view().buffer().lineCount(); }

    QString around(int offset, QAccessible::TextBoundaryType boundary, int *start, int *end) const
    {
        const int count = characterCount();
        if (offset < 0 || offset > count || (offset == count && count > 0 && boundary == QAccessible::CharBoundary)) {
            *start = *end = -1;
            return {};
        }
        if (boundary == QAccessible::CharBoundary) {
            *start = offset;
            *end = offset + 1;
        } else { // a line, which is also its one word
            *start = offset / Stride * Stride;
            *end = std::min(*start + Stride, count);
        }
        return text(*start, *end);
    }
};

} // namespace

TimeGutter::TimeGutter(DisplayView &view) : QWidget(&view), m_view(view)
{
    installAccessibleFactory<TimeGutter, TimeGutterAccessible>();
    setObjectName(QStringLiteral("timeColumn"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void TimeGutter::setColumn(TimeColumn column)
{
    m_column = column;
    setVisible(column != TimeColumn::Off);
    update();
}

int TimeGutter::preferredWidth() const
{
    if (m_column == TimeColumn::Off)
        return 0;
    return int(std::ceil(DisplayView::TextMargin + (TimeColumnChars + 1) * m_view.cellWidth()));
}

QString TimeGutter::lineText(qsizetype line) const
{
    const DisplayBuffer &buffer = m_view.buffer();
    if (line < 0 || line >= buffer.lineCount())
        return {};
    return lineTimeText(m_column, buffer, line);
}

void TimeGutter::paintEvent(QPaintEvent *event)
{
    QPainter canvas(this);
    const QRect dirty = event->rect();
    const QPalette &colours = m_view.palette();
    canvas.fillRect(dirty, colours.color(QPalette::Base));
    const CellFont &cells = m_view.cells();
    if (!cells.rawFont().isValid())
        return;

    // The display's own cells and glyphs, right aligned: the digits stand in
    // columns, and no text is shaped at every frame.
    const qsizetype first = m_view.firstVisibleLine();
    const int height = m_view.lineHeight();
    const qsizetype lines = m_view.buffer().lineCount();
    CellPainter painter(canvas, cells);
    painter.begin(mix(colours.color(QPalette::Base), colours.color(QPalette::Text), 0.6));
    for (qsizetype line = first + std::max(0, (dirty.top() - DisplayView::TextMargin) / height); line < lines; ++line) {
        const qreal y = DisplayView::TextMargin + qreal(line - first) * height;
        if (y > dirty.bottom())
            break;
        const QString time = lineText(line).right(TimeColumnChars);
        for (qsizetype i = 0; i < time.size(); ++i)
            painter.add(time[i], DisplayView::TextMargin + (TimeColumnChars - time.size() + i) * m_view.cellWidth(), y);
    }
    painter.finish();
}

} // namespace quillar
