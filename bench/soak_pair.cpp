// One side of a pair of ports unplugged and plugged back, again and again,
// while the other side streams, in the real main window with --log and
// --reconnect. Side A (COM3) takes a few bytes every millisecond, as a UART
// hands them over, from start to end; each cycle side B (COM4) sends some
// lines, its terminal's master is closed (the adapter is pulled) and a new
// pseudo-terminal is linked as COM4 (it is back). It fails when:
//  - a side's loss or return is not reported;
//  - a line B sent before its loss is not shown;
//  - either side's capture file is not every byte that side was sent, in order.
//
//   soak_pair [cycles, default 100]
#include "soak_support.h"
#include "support/pseudo_terminal.h"
#include "support/scripted_ui.h"
#include "support/test_fixtures.h"
#include "window/frm_quillar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace quillar;
using namespace quillar::test;
using namespace quillar::bench;

namespace {

constexpr int BytesPerMillisecond = 12; // about 115200 baud

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;

    TemporaryWorkingDir dir;
    ScriptedUi seam;
    PseudoTerminal steady;
    auto unplugged = std::make_unique<PseudoTerminal>();
    if (!dir.isValid() || !steady.linkAs(dir.path(), 3) || !unplugged->linkAs(dir.path(), 4)
        || !writeFile(dir.filePath(QStringLiteral("COM7")), "pair\nA = 3\nB = 4\n"))
        return fail(0, "no pseudo-terminals");
    const QString capture = dir.filePath(QStringLiteral("capture"));
    QByteArray sentA;
    QByteArray sentB;
    QElapsedTimer elapsed;
    elapsed.start();
    {
        frmQuillar window(dir.path());
        window.startLongSession({.rawLog = capture, .reconnect = true});
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return fail(0, "the window was not shown");
        namedChild<QLineEdit>(window, "Text1")->setText(QStringLiteral("0"));
        namedChild<QLineEdit>(window, "txtCom1")->setText(QStringLiteral("7"));
        const auto status = [&] { return namedChild<QLabel>(window, "lblStatus")->text(); };
        QTest::mouseClick(namedChild<QPushButton>(window, "Command1"), Qt::LeftButton);
        if (status() != QStringLiteral("Porta COM7: 9600,n,8,1 OK"))
            return fail(0, "the pair did not open");

        // Side A streams all along.
        int lineA = 0;
        QByteArray pendingA;
        QTimer uart;
        uart.setTimerType(Qt::PreciseTimer);
        QObject::connect(&uart, &QTimer::timeout, [&] {
            if (pendingA.size() < BytesPerMillisecond)
                pendingA += "A line " + QByteArray::number(lineA++).rightJustified(6, '0') + " 0123456789\n";
            const QByteArray piece = pendingA.left(BytesPerMillisecond);
            if (steady.writeAll(piece, 1000)) {
                sentA += piece;
                pendingA.remove(0, piece.size());
            }
        });
        uart.start(1);

        qint64 worstLoss = 0;
        qint64 worstReturn = 0;
        for (int cycle = 1; cycle <= cycles; ++cycle) {
            QByteArray lines;
            for (int line = 0; line < 20; ++line)
                lines += "B cycle " + QByteArray::number(cycle).rightJustified(3, '0') + " line "
                    + QByteArray::number(line).rightJustified(2, '0') + "\n";
            if (!unplugged->writeAll(lines, 5000))
                return fail(cycle, "side B did not take its bytes");
            sentB += lines;
            const QString last = QString::fromLatin1("B> " + lines.right(20).chopped(1) + "[LF]");
            if (!waitFor([&] { return window.display().text().contains(last); }, 10000))
                return fail(cycle, "side B's lines are not shown");
            QElapsedTimer since;
            since.start();
            unplugged->closeMaster();
            if (!waitFor(
                    [&] { return status() == QStringLiteral("Errore n.68 sul lato B di COM7: l'altro lato continua"); },
                    5000))
                return fail(cycle, "side B's loss was not reported");
            worstLoss = std::max(worstLoss, since.elapsed());
            unplugged = std::make_unique<PseudoTerminal>();
            if (!unplugged->linkAs(dir.path(), 4))
                return fail(cycle, "no pseudo-terminal");
            since.restart();
            if (!waitFor([&] { return status() == QStringLiteral("Lato B di COM7 di nuovo aperto"); }, 5000))
                return fail(cycle, "side B did not come back");
            worstReturn = std::max(worstReturn, since.elapsed());
        }
        uart.stop();
        if (!waitFor([&] { return QFile(capture + ".A").size() >= sentA.size(); }, 10000))
            return fail(cycles, "side A's capture falls short");
        std::printf("%d cycles: loss reported within %lld ms, return within %lld ms (a try every 500 ms)\n", cycles,
                    static_cast<long long>(worstLoss), static_cast<long long>(worstReturn));
    }
    if (fileBytes(capture + ".A") != sentA)
        return fail(cycles, "side A's capture is not what it was sent");
    if (fileBytes(capture + ".B") != sentB)
        return fail(cycles, "side B's capture is not what it was sent");
    std::printf("side A streamed %lld bytes in %.1f s, side B %lld: both captures exact\n",
                static_cast<long long>(sentA.size()), double(elapsed.elapsed()) / 1000,
                static_cast<long long>(sentB.size()));
    return 0;
}
