// The plot's budget in the real main window on the X server it is started
// on (Xvfb with openbox, as bench/desktop/run.sh starts them): a device on a
// pseudo-terminal sends ten series as a line of ten numbers every
// millisecond, with the plot closed and then open. For each phase it prints
// the program's CPU (without the feeding thread's), the plot's paints a
// second, the longest the window's loop was held (a 20 ms timer's lateness)
// and, with the plot open, the resident memory as the samples reach the
// limit and after. The plot shows the last minute, then the last 10 s.
//
//   bench_plot [seconds a phase, default 20] [samples kept a series, default 360000]
//              [closed | minute | 10s: that phase alone]
#include "own_cpu.h"
#include "plot_widgets/plot_view.h"
#include "plot_widgets/plot_window.h"
#include "support/pseudo_terminal.h"
#include "support/scripted_ui.h"
#include "support/test_fixtures.h"
#include "window/frm_quillar.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

using namespace quillar;
using namespace quillar::test;

namespace {

constexpr int Series = 10;

double residentMb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024;
    return 0;
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// A line of ten values a millisecond, on absolute deadlines, until stopped;
// keeps its own CPU time apart.
class Feeder
{
public:
    explicit Feeder(PseudoTerminal &device) : m_thread([this, &device] { run(device); }) { }
    ~Feeder()
    {
        m_stop = true;
        m_thread.join();
    }
    [[nodiscard]] double cpuMs() const { return m_cpuMs.load(); }
    [[nodiscard]] long lines() const { return m_lines.load(); }

private:
    void run(PseudoTerminal &device)
    {
        timespec next{};
        clock_gettime(CLOCK_MONOTONIC, &next);
        for (long n = 0; !m_stop; ++n) {
            QByteArray line;
            for (int s = 0; s < Series; ++s) {
                line += QByteArray::number(std::sin(n / (50.0 + 10 * s)) * (s + 1), 'f', 3);
                line += s + 1 < Series ? ',' : '\n';
            }
            if (device.write(line) == line.size())
                ++m_lines;
            next.tv_nsec += 1'000'000;
            if (next.tv_nsec >= 1'000'000'000) {
                next.tv_nsec -= 1'000'000'000;
                ++next.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
            m_cpuMs = threadCpuMs();
        }
    }

    std::atomic<bool> m_stop = false;
    std::atomic<double> m_cpuMs = 0;
    std::atomic<long> m_lines = 0;
    std::thread m_thread;
};

// The longest a 20 ms timer came late while the phase ran.
class LoopWatch : public QObject
{
public:
    LoopWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] { m_worst = std::max(m_worst, m_since.restart() - 20); });
        m_since.start();
        m_timer.start();
    }
    [[nodiscard]] qint64 worstMs() const { return m_worst; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_worst = 0;
};

struct Phase
{
    double cpu;
    double paintsPerSecond;
    qint64 loopHeldMs;
    double linesPerSecond;
};

Phase measure(const Feeder &feeder, const PlotView *view, double seconds,
              const std::function<void(int)> &eachSecond = {})
{
    const double cpu0 = ownCpuMilliseconds() - feeder.cpuMs();
    const quint64 paints0 = view ? view->paints() : 0;
    const long lines0 = feeder.lines();
    LoopWatch watch;
    int second = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
        if (eachSecond)
            eachSecond(++second);
    });
    tick.start(1000);
    // Not the application's quit, which would close the windows.
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = ownCpuMilliseconds() - feeder.cpuMs() - cpu0;
    return {cpu / (seconds * 10), view ? double(view->paints() - paints0) / seconds : 0, watch.worstMs(),
            double(feeder.lines() - lines0) / seconds};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20;
    const int limit = argc > 2 ? std::atoi(argv[2]) : 360'000;
    // One phase alone, for two runs side by side (bench/plot_side_by_side.sh).
    const QByteArray only = argc > 3 ? QByteArray(argv[3]) : QByteArray();
    if (!only.isEmpty() && only != "closed" && only != "minute" && only != "10s") {
        std::fprintf(stderr, "bench_plot: the phase is closed, minute or 10s\n");
        return 2;
    }
    double closedCpu = 0;
    TemporaryWorkingDir dir;
    PseudoTerminal device;
    if (!dir.isValid() || !device.linkAs(dir.path(), 1)) {
        std::fprintf(stderr, "bench_plot: no pseudo-terminal\n");
        return 1;
    }
    ScriptedUi seam;
    frmQuillar window(dir.path());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    namedChild<QLineEdit>(window, "txtCom1")->setText(QStringLiteral("1"));
    namedChild<QLineEdit>(window, "Text1")->setText(QStringLiteral("0")); // a line a line feed
    namedChild<QPushButton>(window, "Command1")->click();
    Feeder feeder(device);
    QTest::qWait(2000);

    if (only.isEmpty() || only == "closed") {
        const Phase closed = measure(feeder, nullptr, seconds);
        closedCpu = closed.cpu;
        std::printf("plot closed: %.2f %% CPU, %.0f lines/s, loop held at most %lld ms\n", closed.cpu,
                    closed.linesPerSecond, closed.loopHeldMs);
        if (!only.isEmpty())
            return 0;
    }
    const auto times = [&](double cpu) { return closedCpu > 0 ? QByteArray::number(cpu / closedCpu, 'f', 2) : "-"; };

    window.openPlot();
    PlotWindow &plot = *window.plotWindow();
    auto *kept = plot.findChild<QSpinBox *>();
    kept->setValue(limit);
    emit kept->editingFinished();
    QTest::qWait(1000);
    if (only.isEmpty() || only == "minute") {
        std::printf("plot open, %d samples a series kept; resident memory each %g s:\n", limit, seconds / 4);
        const Phase open = measure(feeder, &plot.view(), seconds, [&](int second) {
            if (second % std::max(1, int(seconds / 4)) == 0)
                std::printf("  %4d s: %.1f MB\n", second, residentMb());
            std::fflush(stdout);
        });
        std::printf("plot open, last minute: %.2f %% CPU (%s times closed), %.1f paints/s, %.0f lines/s, loop held "
                    "at most %lld ms\n",
                    open.cpu, times(open.cpu).constData(), open.paintsPerSecond, open.linesPerSecond, open.loopHeldMs);
    }
    if (only == "minute")
        return 0;
    // The shortest span: a pixel column lasts less than a frame.
    for (QComboBox *box : plot.findChildren<QComboBox *>())
        if (box->accessibleName() == QStringLiteral("Intervallo"))
            box->setCurrentIndex(0);
    const Phase shortest = measure(feeder, &plot.view(), seconds);
    std::printf("plot open, last 10 s: %.2f %% CPU (%s times closed), %.1f paints/s, %.0f lines/s, loop held at "
                "most %lld ms, %.1f MB\n",
                shortest.cpu, times(shortest.cpu).constData(), shortest.paintsPerSecond, shortest.linesPerSecond,
                shortest.loopHeldMs, residentMb());
    return 0;
}
