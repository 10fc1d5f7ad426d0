// Cost of one append to the receive display, with the paint it causes, for a
// last line of 0, 10,000 and about 100,000 characters, against a
// QPlainTextEdit that is given the same appends. Runs under the offscreen
// platform unless another is chosen. Prints microseconds per append.
#include "receive/display_buffer.h"
#include "display/display_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
#include <vector>

using namespace quillar;

namespace {

constexpr int ShortLines = 40; // fill the window above the last line
constexpr int ShortLineLength = 60;
constexpr qsizetype Prefix = ShortLines * (ShortLineLength + 2);

QString rendered(qsizetype length)
{
    // What the renderer makes of a timer-mode burst: text with markers.
    static const QString pattern = QStringLiteral("Temp=21.5[0D][0A]ADC:0x3F[1B][FF]");
    QString text;
    text.reserve(length);
    while (text.size() < length)
        text += pattern;
    text.truncate(length);
    return text;
}

QString shortLines()
{
    QString text;
    for (int i = 0; i < ShortLines; ++i)
        text += rendered(ShortLineLength) + QStringLiteral("\r\n");
    return text;
}

struct Result
{
    double median = 0;
    double mean = 0;
    double worst = 0;
};

Result summarise(std::vector<double> micros)
{
    std::sort(micros.begin(), micros.end());
    Result r;
    r.median = micros[micros.size() / 2];
    r.mean = std::accumulate(micros.begin(), micros.end(), 0.0) / double(micros.size());
    r.worst = micros.back();
    return r;
}

// Runs reps rounds of: prepare (not timed), then one append and the event
// processing that paints it (timed).
Result measure(int reps, const std::function<void()> &prepare, const std::function<void()> &append)
{
    std::vector<double> micros;
    micros.reserve(std::size_t(reps));
    for (int i = 0; i < reps; ++i) {
        prepare();
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        append();
        QCoreApplication::processEvents();
        micros.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    return summarise(std::move(micros));
}

struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

void style(QWidget &widget)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);
    widget.setFont(font);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::Text, QColor(238, 238, 238));
    widget.setPalette(palette);
    widget.resize(1000, 600);
    widget.show();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    DisplayBuffer buffer;
    FrameClock frames(FrameClock::DisplayFrame);
    DisplayView view(buffer, frames);
    style(view);
    PaintCounter viewPaints;
    view.viewport()->installEventFilter(&viewPaints);

    QPlainTextEdit edit;
    edit.setReadOnly(true);
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    style(edit);
    PaintCounter editPaints;
    edit.viewport()->installEventFilter(&editPaints);
    QCoreApplication::processEvents();

    const QString above = shortLines();
    std::printf("One append and its paint, %d lines of %d characters above the last line, window 1000x600.\n",
                ShortLines, ShortLineLength);
    std::printf("%-15s %6s %12s %12s %10s %10s %10s %7s\n", "widget", "chunk", "line before", "line after", "median us",
                "mean us", "worst us", "paints");

    for (const qsizetype chunkLength : {qsizetype(64), qsizetype(1024)}) {
        const QString chunk = rendered(chunkLength);
        // The largest line the display's safety limit lets stand after the append.
        const qsizetype largest = buffer.limits().safety - Prefix - chunkLength;
        for (const qsizetype lineLength : {qsizetype(0), qsizetype(10000), largest}) {
            const QString line = rendered(lineLength);
            const auto prepareView = [&] {
                buffer.clear();
                buffer.append(above + line);
            };
            viewPaints.paints = 0;
            const int viewReps = 400;
            const Result v = measure(viewReps, prepareView, [&] { buffer.append(chunk); });
            const qsizetype after = buffer.lineLength(buffer.lineCount() - 1);
            std::printf("%-15s %6lld %12lld %12lld %10.1f %10.1f %10.1f %7.2f\n", "DisplayView",
                        static_cast<long long>(chunkLength), static_cast<long long>(lineLength),
                        static_cast<long long>(after), v.median, v.mean, v.worst,
                        double(viewPaints.paints) / (2.0 * viewReps));

            const auto prepareEdit = [&] {
                edit.setPlainText(above + line);
                edit.moveCursor(QTextCursor::End);
            };
            // The same append as a text box's: caret to the end, insert there, follow it.
            const auto appendEdit = [&] {
                QTextCursor cursor = edit.textCursor();
                cursor.movePosition(QTextCursor::End);
                cursor.insertText(chunk);
                edit.setTextCursor(cursor);
                edit.ensureCursorVisible();
            };
            editPaints.paints = 0;
            const int editReps = lineLength > 50000 ? 15 : 60;
            const Result e = measure(editReps, prepareEdit, appendEdit);
            std::printf("%-15s %6lld %12lld %12lld %10.1f %10.1f %10.1f %7.2f\n", "QPlainTextEdit",
                        static_cast<long long>(chunkLength), static_cast<long long>(lineLength),
                        static_cast<long long>(lineLength + chunkLength), e.median, e.mean, e.worst,
                        double(editPaints.paints) / (2.0 * editReps));
            std::fflush(stdout);
        }
    }
    // Line-feed mode: each append is a whole line ending in CR LF, so the view
    // scrolls by one line.
    for (const qsizetype chunkLength : {qsizetype(64), qsizetype(1024)}) {
        const QString chunk = rendered(chunkLength - 2) + QStringLiteral("\r\n");
        viewPaints.paints = 0;
        const int reps = 400;
        const Result v = measure(
            reps,
            [&] {
                buffer.clear();
                buffer.append(above);
            },
            [&] { buffer.append(chunk); });
        std::printf("%-15s %6lld %12s %12s %10.1f %10.1f %10.1f %7.2f\n", "DisplayView",
                    static_cast<long long>(chunkLength), "LF mode", "new line", v.median, v.mean, v.worst,
                    double(viewPaints.paints) / (2.0 * reps));
        editPaints.paints = 0;
        const Result e = measure(
            60,
            [&] {
                edit.setPlainText(above);
                edit.moveCursor(QTextCursor::End);
            },
            [&] {
                QTextCursor cursor = edit.textCursor();
                cursor.movePosition(QTextCursor::End);
                cursor.insertText(chunk);
                edit.setTextCursor(cursor);
                edit.ensureCursorVisible();
            });
        std::printf("%-15s %6lld %12s %12s %10.1f %10.1f %10.1f %7.2f\n", "QPlainTextEdit",
                    static_cast<long long>(chunkLength), "LF mode", "new line", e.median, e.mean, e.worst,
                    double(editPaints.paints) / (2.0 * 60));
    }
    std::printf("paints: paint events per prepared display and per append (1.00 = each painted once).\n");
    return 0;
}
