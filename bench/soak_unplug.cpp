// Unplugging a device and plugging it back, again and again, in the real
// main window. Each cycle streams text into a pseudo-terminal linked as COM3,
// a few bytes a millisecond as a UART hands them over, then closes the
// terminal's master (the adapter is pulled), links a new pseudo-terminal as
// COM3 (it is back) and presses Open. It fails when:
//  - a byte streamed while the port was open is not shown, or not in order;
//  - the program spends more than 20 ms of CPU between 100 ms and 300 ms
//    after an unplug (its own CPU time: a busy loop shows at once);
//  - open descriptors or resident memory grow from cycle to cycle.
//
//   soak_unplug [cycles, default 100]
#include "soak_support.h"
#include "own_cpu.h"
#include "support/pseudo_terminal.h"
#include "support/scripted_ui.h"
#include "support/test_fixtures.h"
#include "window/frm_quillar.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

using namespace quillar;
using namespace quillar::test;
using namespace quillar::bench;

namespace {

constexpr int Port = 3;
constexpr int BytesPerMillisecond = 12; // about 115200 baud
constexpr int BytesPerCycle = 3000;
constexpr double IdleCpuMs = 20;    // allowed between 100 and 300 ms after an unplug
constexpr long FlatMemoryKb = 1024; // resident growth allowed after the first two cycles

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

long residentKb()
{
    long pages = 0;
    long resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs the event loop until done() holds, looking every few milliseconds
// and sleeping in between, so that the wait itself costs no processor time.
// Lines of printable text that say which cycle and line they are.
QByteArray streamFor(int cycle)
{
    QByteArray bytes;
    for (int line = 0; bytes.size() < BytesPerCycle; ++line)
        bytes += QByteArray("cycle ") + QByteArray::number(cycle).rightJustified(3, '0') + " line "
            + QByteArray::number(line).rightJustified(4, '0') + " ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789\n";
    return bytes;
}

// What the display shows for printable text in line-feed mode.
QString shown(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes).replace(QStringLiteral("\n"), QStringLiteral("[LF]\r\n"));
}

// Writes bytes into the device a few each millisecond, while the event
// loop runs; false when the device refused them.
bool stream(PseudoTerminal &device, const QByteArray &bytes)
{
    qsizetype sent = 0;
    bool ok = true;
    QTimer uart;
    uart.setTimerType(Qt::PreciseTimer);
    QObject::connect(&uart, &QTimer::timeout, [&] {
        const QByteArray piece = bytes.mid(sent, BytesPerMillisecond);
        if (!device.writeAll(piece, 1000))
            ok = false;
        sent += piece.size();
    });
    uart.start(1);
    waitFor([&] { return !ok || sent >= bytes.size(); }, 60000);
    return ok && sent == bytes.size();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::max(3, std::atoi(argv[1])) : 100;

    TemporaryWorkingDir dir;
    ScriptedUi seam; // a failed open says so in a box, which must not wait for anyone
    auto device = std::make_unique<PseudoTerminal>();
    if (!dir.isValid() || !device->linkAs(dir.path(), Port))
        return fail(0, "no pseudo-terminal");
    frmQuillar window(dir.path());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return fail(0, "the window was not shown");
    namedChild<QLineEdit>(window, "Text1")->setText(QStringLiteral("0")); // lines end on line feeds
    namedChild<QLineEdit>(window, "txtCom1")->setText(QString::number(Port));
    const auto status = [&] { return namedChild<QLabel>(window, "lblStatus")->text(); };
    const auto click = [&](const char *button) {
        QTest::mouseClick(namedChild<QPushButton>(window, button), Qt::LeftButton);
    };
    const QString opened = QStringLiteral("Porta COM%1: 9600,n,8,1 OK").arg(Port);
    const QString unplugged = QStringLiteral("Errore n.68 su COM%1").arg(Port);

    click("Command1");
    if (status() != opened)
        return fail(0, "the port did not open");

    int baseFds = 0;
    long baseKb = 0;
    double worstIdleCpu = 0;
    qint64 worstNotice = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        click("Command2"); // Clear
        const QByteArray bytes = streamFor(cycle);
        if (!stream(*device, bytes))
            return fail(cycle, "the device did not take the bytes");
        const QString expected = shown(bytes);
        if (!waitFor([&] { return window.display().length() >= expected.size(); }, 10000)
            || window.display().text() != expected)
            return fail(cycle, "the display does not show every byte streamed, in order");

        QElapsedTimer sinceUnplug;
        sinceUnplug.start();
        device->closeMaster();
        if (!waitFor([&] { return status() == unplugged; }, 5000))
            return fail(cycle, "the unplug was not reported");
        worstNotice = std::max(worstNotice, sinceUnplug.elapsed());
        waitFor([&] { return sinceUnplug.elapsed() >= 100; }, 1000);
        const double cpuBefore = ownCpuMilliseconds();
        waitFor([&] { return sinceUnplug.elapsed() >= 300; }, 1000);
        const double idleCpu = ownCpuMilliseconds() - cpuBefore;
        worstIdleCpu = std::max(worstIdleCpu, idleCpu);
        if (idleCpu > IdleCpuMs)
            return fail(
                cycle,
                qPrintable(QStringLiteral("the processor is still busy after the unplug: %1 ms of CPU").arg(idleCpu)));

        device = std::make_unique<PseudoTerminal>();
        if (!device->linkAs(dir.path(), Port))
            return fail(cycle, "no pseudo-terminal");
        click("Command1");
        if (status() != opened)
            return fail(cycle, "the port did not open again");

        if (cycle == 2) {
            baseFds = openDescriptors();
            baseKb = residentKb();
        } else if (cycle > 2 && (openDescriptors() > baseFds || residentKb() - baseKb > FlatMemoryKb)) {
            std::printf("descriptors %d (%d at cycle 2), resident %ld KB (%ld KB at cycle 2)\n", openDescriptors(),
                        baseFds, residentKb(), baseKb);
            return fail(cycle, "descriptors or memory grow");
        }
    }
    std::printf("%d cycles of %d bytes: every byte shown; unplug reported within %lld ms; at most %.1f ms CPU "
                "100-300 ms after an unplug; descriptors %d, resident %ld KB (%+ld KB since cycle 2)\n",
                cycles, BytesPerCycle, static_cast<long long>(worstNotice), worstIdleCpu, openDescriptors(),
                residentKb(), residentKb() - baseKb);
    return 0;
}
