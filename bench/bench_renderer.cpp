// Renderer cost per byte: the bare table copy, the table build that a change
// of the boxes costs, and a whole ReceiveInput into the display model (no
// widget), as the receive path pays it per read.
#include "receive/byte_renderer.h"
#include "receive/display_buffer.h"
#include "receive/receive_path.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QRandomGenerator>

using namespace quillar;

namespace {

enum Kind { Printable, Binary, Mixed };

QByteArray makeRead(Kind kind, int size)
{
    QRandomGenerator rng(1234);
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        switch (kind) {
        case Printable: // text lines with CR LF every 62 bytes
            bytes[i] = (i % 62 == 60) ? '\r' : (i % 62 == 61) ? '\n' : char(32 + rng.bounded(95));
            break;
        case Binary: // nothing between the bounds: every byte a four-character code
            bytes[i] = char(rng.bounded(2) ? rng.bounded(32) : 128 + rng.bounded(128));
            break;
        case Mixed: // any byte value
            bytes[i] = char(rng.bounded(256));
            break;
        }
    }
    return bytes;
}

void reportPerByte(benchmark::State &state, qsizetype bytesPerIteration)
{
    state.SetBytesProcessed(state.iterations() * bytesPerIteration);
    // Shown as time per byte ("1.5ns").
    state.counters["per_byte"] = benchmark::Counter(
        double(bytesPerIteration), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void render(benchmark::State &state, Kind kind, const char16_t *lineFeedTime)
{
    const QByteArray read = makeRead(kind, int(state.range(0)));
    const ByteRenderer renderer = ByteRenderer::fromBoxes(u"31", u"128", lineFeedTime);
    for (auto _ : state) {
        QString chunk = renderer.render(read);
        benchmark::DoNotOptimize(chunk.data());
    }
    reportPerByte(state, read.size());
}

void tableBuild(benchmark::State &state)
{
    for (auto _ : state) {
        ByteRenderer renderer = ByteRenderer::fromBoxes(u"31", u"128", u"150");
        benchmark::DoNotOptimize(&renderer);
    }
}

// A hand-over of reads as a UART at 115200 baud brings them: 12 bytes a
// millisecond, each read with its own time.
StampedBytes stampedAsAUart(QByteArray bytes)
{
    StampedBytes read{std::move(bytes), {}};
    for (qsizetype at = 0; at < read.bytes.size(); at += 12)
        read.marks.push_back({at, 1796558400000 + at / 12});
    return read;
}

void receiveInput(benchmark::State &state, Kind kind, const char16_t *lineFeedTime)
{
    const StampedBytes read = stampedAsAUart(makeRead(kind, int(state.range(0))));
    DisplayBuffer display; // the bounds at their defaults
    ReceivePath path(display, {QStringLiteral("31"), QStringLiteral("128"), QString::fromUtf16(lineFeedTime)});
    for (auto _ : state)
        path.receive(read);
    reportPerByte(state, read.bytes.size());
}

} // namespace

BENCHMARK_CAPTURE(render, printable, Printable, u"150")->Arg(64)->Arg(4096)->Arg(32767);
BENCHMARK_CAPTURE(render, printable_lf_mode, Printable, u"0")->Arg(4096);
BENCHMARK_CAPTURE(render, binary, Binary, u"150")->Arg(64)->Arg(4096)->Arg(32767);
BENCHMARK_CAPTURE(render, mixed, Mixed, u"150")->Arg(64)->Arg(4096)->Arg(32767);
BENCHMARK(tableBuild);
BENCHMARK_CAPTURE(receiveInput, printable_timer, Printable, u"150")->Arg(64)->Arg(4096);
BENCHMARK_CAPTURE(receiveInput, printable_lf_mode, Printable, u"0")->Arg(64)->Arg(4096);
BENCHMARK_CAPTURE(receiveInput, mixed_timer, Mixed, u"150")->Arg(64)->Arg(4096);

int main(int argc, char **argv)
{
    // ReceivePath arms Timer1, which wants an application object.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
