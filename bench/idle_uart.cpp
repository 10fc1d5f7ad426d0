// The real main window with its port open on a UART-like driver, with
// nothing arriving: how often the program wakes. A pseudo-terminal plays the
// device; the driver (tests/support) plays a UART's counters and modem lines,
// and, for the second figure, a driver that reports the lines but cannot wait
// for them. bench/desktop/run.sh prints both beside its own idle row.
//
//   idle_uart [seconds, default 10] [wait|poll]
#include "own_cpu.h"
#include "port/mscomm.h"
#include "port/serial_device.h"
#include "support/fake_serial_driver.h"
#include "support/pseudo_terminal.h"
#include "support/scripted_ui.h"
#include "support/test_fixtures.h"
#include "window/frm_quillar.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <string>

using namespace quillar;
using namespace quillar::test;

namespace {

// Times any thread of this process slept and woke (voluntary switches).
long wakeUps()
{
    long total = 0;
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream status(QStringLiteral("/proc/self/task/%1/status").arg(task).toStdString());
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                total += std::stol(line.substr(line.find(':') + 1));
        }
    }
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    const bool wait = argc <= 2 || std::string(argv[2]) != "poll";
    TemporaryWorkingDir dir;
    PseudoTerminal device;
    if (!dir.isValid() || !device.linkAs(dir.path(), 1)) {
        std::fprintf(stderr, "idle_uart: no pseudo-terminal\n");
        return 1;
    }
    ScriptedUi seam; // a failed open says so in a box, which must not wait for anyone
    FakeSerialDriver driver({true, true, wait});
    frmQuillar window(dir.path());
    window.port().setDeviceFactory([&driver](const QString &) { return std::make_unique<SerialDevice>(driver); });
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    namedChild<QLineEdit>(window, "txtCom1")->setText(QStringLiteral("1"));
    namedChild<QLineEdit>(window, "txtBaud1")->setText(QStringLiteral("115200"));
    namedChild<QPushButton>(window, "Command1")->click();
    const auto *serial = qobject_cast<const SerialDevice *>(window.port().device());
    if (!serial) {
        std::fprintf(stderr, "idle_uart: the port did not open\n");
        return 1;
    }
    QTest::qWait(2000); // the window settles: frames, the accessibility bridge
    const SerialDevice::ModemWatch watch = serial->modemWatch();
    const long before = wakeUps();
    const double cpuBefore = ownCpuMilliseconds();
    QTimer::singleShot(int(seconds * 1000), &app, &QApplication::quit); // QTest::qWait would wake every 10 ms
    app.exec();
    const double perSecond = double(wakeUps() - before) / seconds;
    std::printf("%.1f wake-ups/s, %.2f %% CPU, modem lines %s\n", perSecond,
                (ownCpuMilliseconds() - cpuBefore) / (seconds * 10),
                watch == SerialDevice::ModemWatch::Waiting       ? "waited for (TIOCMIWAIT)"
                    : watch == SerialDevice::ModemWatch::Polling ? "looked at every 250 ms"
                                                                 : "not watched");
    return 0;
}
