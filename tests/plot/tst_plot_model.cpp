#include "plot/line_parser.h"
#include "plot/min_max_reduction.h"
#include "plot/plot_csv.h"
#include "plot/plot_data.h"
#include "plot/view_range.h"

#include <QBuffer>
#include <QTest>

using namespace quillar;

namespace {

// "label=value" for a labelled value, "#column=value" for a column.
QStringList shown(const std::vector<ParsedValue> &values)
{
    QStringList out;
    for (const ParsedValue &v : values)
        out << (v.label.isEmpty() ? QStringLiteral("#%1").arg(v.column) : v.label) + QLatin1Char('=')
                + valueText(v.value);
    return out;
}

// A ring of the values given, at ms = 1000 * i and number i.
SampleRing ringOf(const std::vector<double> &values, qsizetype limit = 1'000'000)
{
    SampleRing ring(limit);
    for (std::size_t i = 0; i < values.size(); ++i)
        ring.push({qint64(i) * 1000, qint64(i), values[i]});
    return ring;
}

} // namespace

class TestPlotModel : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("one value") << QByteArray("23.5\r\n") << QStringList{"#1=23.5"};
        QTest::newRow("blanks, tabs") << QByteArray(" 1 \t 2  3") << QStringList{"#1=1", "#2=2", "#3=3"};
        QTest::newRow("commas, semicolons") << QByteArray("1,2;3, 4") << QStringList{"#1=1", "#2=2", "#3=3", "#4=4"};
        QTest::newRow("signs, decimals, exponents")
            << QByteArray("-1 +2 .5 3. -4.25e-3 1E3 +6e+2")
            << QStringList{"#1=-1", "#2=2", "#3=0.5", "#4=3", "#5=-0.00425", "#6=1000", "#7=600"};
        QTest::newRow("label:value, label=value")
            << QByteArray("temp:23.5 hum=41") << QStringList{"temp=23.5", "hum=41"};
        QTest::newRow("label then blank") << QByteArray("temp: 23.5, hum= -4") << QStringList{"temp=23.5", "hum=-4"};
        QTest::newRow("mixed: columns count unlabelled only")
            << QByteArray("7 a:1 8") << QStringList{"#1=7", "a=1", "#2=8"};
        QTest::newRow("words passed over") << QByteArray("T 21.5 C ok") << QStringList{"#1=21.5"};
        QTest::newRow("a number only whole")
            << QByteArray("12ms 1.2.3 1e 1e+ - + . 0x1F inf nan 5") << QStringList{"#1=5"};
        QTest::newRow("label without number") << QByteArray("state:on x=") << QStringList{};
        QTest::newRow("no number") << QByteArray("BOOT v2.1 ready") << QStringList{};
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("out of range") << QByteArray("1e999 2") << QStringList{"#2=2"};
        QTest::newRow("control bytes separate") << QByteArray("1\x1b"
                                                              "2\x00"
                                                              "3",
                                                              5)
                                                << QStringList{"#1=1", "#2=2", "#3=3"};
        QTest::newRow("label in the code page") << QByteArray("\xb0"
                                                              "C:21")
                                                << QStringList{"\u00b0C=21"};
        QTest::newRow("first mark splits") << QByteArray("a=b:1 c::2") << QStringList{};
    }
    void parse()
    {
        QFETCH(QByteArray, line);
        QTEST(shown(parseLine(line)), "values");
    }

    // Columns and labels become series in the order they first come; a
    // label that comes late starts then, and a line without numbers counts
    // for nothing.
    void series()
    {
        PlotData data;
        QVERIFY(data.addLine("1 2", 100));
        QVERIFY(!data.addLine("hello", 150));
        QVERIFY(data.addLine("3 late:9", 200));
        QVERIFY(data.addLine("1:4", 300));
        QCOMPARE(data.series().size(), std::size_t(4));
        const auto &s = data.series();
        QCOMPARE(s[0].name, QStringLiteral("Colonna 1"));
        QCOMPARE(s[0].samples.size(), 2);
        QCOMPARE(s[0].samples.latest(), (Sample{200, 1, 3}));
        QCOMPARE(s[1].samples.size(), 1);
        QCOMPARE(s[2].samples.at(0), (Sample{200, 1, 9}));
        // A label is never a column, whatever its name.
        QVERIFY(s[3].labelled);
        QCOMPARE(s[3].name, QStringLiteral("1"));
        QCOMPARE(s[3].samples.at(0), (Sample{300, 2, 4}));
        QCOMPARE(data.lines(), 3);
        QCOMPARE(seriesSummary(s[0]), QStringLiteral("Colonna 1: ultimo 3, minimo 1, massimo 3"));
    }

    // A clock set back does not take a series' time backwards.
    void timesNeverFall()
    {
        PlotData data;
        QVERIFY(data.addLine("1", 5000));
        QVERIFY(data.addLine("2", 4000));
        QCOMPARE(data.series()[0].samples.latest().ms, 5000);
    }

    // At its limit the ring drops the oldest, keeps its memory, and its
    // minimum and maximum follow what it keeps.
    void ringBound_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("pushed");
        QTest::newRow("under") << 10 << 7;
        QTest::newRow("at") << 10 << 10;
        QTest::newRow("far over") << 1000 << 100'000;
        QTest::newRow("one") << 1 << 5;
    }
    void ringBound()
    {
        QFETCH(int, limit);
        QFETCH(int, pushed);
        SampleRing ring(limit);
        qsizetype capacityAtLimit = -1;
        for (int i = 0; i < pushed; ++i) {
            // A falling then rising value: the extremes leave as it turns.
            ring.push({i, i, double(std::abs(i - pushed / 2))});
            if (ring.size() == limit && capacityAtLimit < 0)
                capacityAtLimit = ring.capacity();
        }
        const int kept = std::min(limit, pushed);
        QCOMPARE(ring.size(), kept);
        QCOMPARE(ring.at(0).number, pushed - kept);
        QCOMPARE(ring.latest().number, pushed - 1);
        QVERIFY(ring.capacity() <= limit);
        if (capacityAtLimit >= 0)
            QCOMPARE(ring.capacity(), capacityAtLimit);
        double low = HUGE_VAL, high = -HUGE_VAL;
        for (qsizetype i = 0; i < ring.size(); ++i) {
            low = std::min(low, ring.at(i).value);
            high = std::max(high, ring.at(i).value);
        }
        QCOMPARE(ring.minimum(), low);
        QCOMPARE(ring.maximum(), high);
    }

    void limitLowered()
    {
        PlotData data(100);
        for (int i = 0; i < 50; ++i)
            QVERIFY(data.addLine(QByteArray::number(i), i));
        data.setLimit(10);
        const SampleRing &ring = data.series()[0].samples;
        QCOMPARE(ring.size(), 10);
        QCOMPARE(ring.at(0).value, 40.0);
        QCOMPARE(ring.minimum(), 40.0);
        QVERIFY(data.addLine("99", 60));
        QCOMPARE(ring.at(0).value, 41.0);
        QCOMPARE(ring.maximum(), 99.0);
    }

    // More samples than pixel columns: each column keeps its first, minimum,
    // maximum and last, so a spike of one sample survives, and the first and
    // last samples are points of the line exactly.
    void reduction_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("spikeAt"); // -1: none
        QTest::addColumn<int>("width");
        QTest::newRow("spike up, many a column") << 100'000 << 31'337 << 300;
        QTest::newRow("spike at the start") << 10'000 << 0 << 97;
        QTest::newRow("spike at the end") << 10'000 << 9'999 << 97;
        QTest::newRow("fewer samples than columns") << 50 << 20 << 400;
        QTest::newRow("one column") << 1000 << 500 << 1;
    }
    void reduction()
    {
        QFETCH(int, count);
        QFETCH(int, spikeAt);
        QFETCH(int, width);
        std::vector<double> values(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            values[std::size_t(i)] = std::sin(i / 500.0);
        values[std::size_t(spikeAt)] = 50;
        values[std::size_t(count / 3)] = -50;
        const SampleRing ring = ringOf(values);
        const double to = count - 1;
        const auto points = reduceMinMax(ring, XAxis::Number, 0, to, width);
        QVERIFY(qsizetype(points.size()) <= 4 * qsizetype(width) + 2); // and the neighbours
        QVERIFY(count <= width || qsizetype(points.size()) < count);
        QCOMPARE(points.front(), (PlotPoint{0, values.front()}));
        QCOMPARE(points.back().value, values.back());
        QVERIFY(std::abs(points.back().x - width) < 1e-9);
        const auto has = [&](double value, double x) {
            return std::any_of(points.begin(), points.end(),
                               [&](const PlotPoint &p) { return p.value == value && std::abs(p.x - x) < 1e-9; });
        };
        QVERIFY(has(50, spikeAt / to * width));
        QVERIFY(has(-50, (count / 3) / to * width));
        for (std::size_t i = 1; i < points.size(); ++i)
            QVERIFY(points[i - 1].x <= points[i].x);
    }

    // Kept from paint to paint, the reduction is the one worked out afresh:
    // while the samples grow, the oldest go, the series is emptied, the
    // view moves back or leaves the grid. Each frame a few samples come and
    // a following view (its columns on the grid) is reduced both ways.
    void cachedReduction_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("clearAt");    // frame; -1: never
        QTest::addColumn<int>("backAt");     // frame at which the view moves back a span; -1: never
        QTest::addColumn<double>("offGrid"); // added to the view's range
        QTest::newRow("growing") << 100'000 << -1 << -1 << 0.0;
        QTest::newRow("oldest go") << 700 << -1 << -1 << 0.0;
        QTest::newRow("emptied") << 100'000 << 40 << -1 << 0.0;
        QTest::newRow("moved back") << 100'000 << -1 << 50 << 0.0;
        QTest::newRow("off the grid") << 100'000 << -1 << -1 << 3.0;
    }
    void cachedReduction()
    {
        QFETCH(int, limit);
        QFETCH(int, clearAt);
        QFETCH(int, backAt);
        QFETCH(double, offGrid);
        constexpr int Width = 512;
        constexpr double Span = 8192; // 16 ms a column: exact arithmetic both ways
        SampleRing ring(limit);
        CachedReduction cached;
        qint64 ms = 1'000'000, number = 0;
        for (int frame = 0; frame < 120; ++frame) {
            if (frame == clearAt) { // as Svuota does: the lines count from 0 again
                ring.clear();
                number = 0;
            }
            for (int k = 0; k < 40; ++k) {
                ms += 1 + (number * 7919) % 5; // irregular arrivals
                ring.push({ms, number, std::sin(number / 30.0) + (number % 97 == 0 ? 9 : 0)});
                ++number;
            }
            const double w = Span / Width;
            double to = std::ceil(double(ring.latest().ms) / w) * w;
            if (backAt >= 0 && frame >= backAt)
                to -= Span / 2;
            const double from = to - Span + offGrid;
            const auto expected = reduceMinMax(ring, XAxis::Time, from, to + offGrid, Width);
            const auto got = cached.reduce(ring, XAxis::Time, from, to + offGrid, Width);
            QCOMPARE(got.size(), expected.size());
            for (std::size_t i = 0; i < got.size(); ++i) {
                QCOMPARE(got[i].value, expected[i].value);
                QVERIFY2(std::abs(got[i].x - expected[i].x) < 1e-9, qPrintable(QStringLiteral("frame %1").arg(frame)));
            }
        }
    }

    // The samples just outside the range come too, exactly, so that the line
    // runs to the edges; a range with no sample gives its neighbours only.
    void reductionEdges()
    {
        const SampleRing ring = ringOf({1, 2, 3, 4, 5, 6});
        const auto inside = reduceMinMax(ring, XAxis::Time, 1500, 3500, 100);
        QCOMPARE(inside.size(), std::size_t(4));
        QCOMPARE(inside.front(), (PlotPoint{-25, 2}));
        QCOMPARE(inside.back(), (PlotPoint{125, 5}));
        const auto between = reduceMinMax(ring, XAxis::Time, 2100, 2900, 10);
        QCOMPARE(between.size(), std::size_t(2));
        QVERIFY(reduceMinMax(SampleRing(5), XAxis::Time, 0, 1, 10).empty());
        QVERIFY(reduceMinMax(ring, XAxis::Time, 5, 5, 10).empty());
    }

    // A following view shows the last span before the latest line, in time
    // or in the numbers of the lines that came in it.
    void following()
    {
        PlotData data;
        for (int i = 0; i < 100; ++i)
            QVERIFY(data.addLine(QByteArray::number(i), 1'000'000 + i * 100));
        QCOMPARE(followingRange(data, XAxis::Time, 1000), (XRange{1'008'900, 1'009'900}));
        QCOMPARE(followingRange(data, XAxis::Number, 1000), (XRange{89, 99}));
        QCOMPARE(followingRange(data, XAxis::Number, 0), (XRange{0, 99}));
        QCOMPARE(followingRange(PlotData(), XAxis::Time, 1000), XRange{});
        QCOMPARE(zoomed({0, 100}, 50, 0.5, 1), (XRange{25, 75}));
        QCOMPARE(zoomed({0, 100}, 0, 1 / 128.0, 16), (XRange{-7.609375, 8.390625}));
    }

    void steps_data()
    {
        QTest::addColumn<bool>("time");
        QTest::addColumn<double>("range");
        QTest::addColumn<double>("step");
        QTest::newRow("values") << false << 8.0 << 1.0;
        QTest::newRow("small values") << false << 0.03 << 0.005;
        QTest::newRow("seconds") << true << 60'000.0 << 10'000.0;
        QTest::newRow("under a second") << true << 900.0 << 200.0;
        QTest::newRow("an hour") << true << 3'600'000.0 << 600'000.0;
    }
    void steps()
    {
        QFETCH(bool, time);
        QFETCH(double, range);
        QTEST(time ? timeStep(range, 8) : niceStep(range, 8), "step");
    }

    // The samples as CSV: a row a line, empty where a series had no value,
    // names quoted where they must be, values as they read back.
    void csv()
    {
        PlotData data;
        QVERIFY(data.addLine("0.1 2", 0));
        QVERIFY(data.addLine("\"q\",x:1e-7", 1000));
        QVERIFY(data.addLine("3", 2000));
        QBuffer out;
        QVERIFY(out.open(QIODevice::WriteOnly));
        QVERIFY(writeCsv(data, out));
        const QList<QByteArray> rows = out.data().split('\n');
        QCOMPARE(rows.size(), 4 + 1);
        QCOMPARE(rows[0], QByteArray("numero,ora,Colonna 1,Colonna 2,x\r"));
        QVERIFY(rows[1].startsWith("0,") && rows[1].endsWith(",0.1,2,\r"));
        QVERIFY(rows[2].startsWith("1,") && rows[2].endsWith(",,,1e-07\r"));
        QVERIFY(rows[3].endsWith(",3,,\r"));
        PlotData quoting;
        QVERIFY(quoting.addLine("a\"b:1", 0));
        QCOMPARE(csvHeader(quoting), QByteArray("numero,ora,\"a\"\"b\"\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestPlotModel)
#include "tst_plot_model.moc"
