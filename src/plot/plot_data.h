#pragma once

#include "sample_ring.h"

#include <QByteArrayView>
#include <QString>

#include <deque>
#include <vector>

namespace quillar {

// One series: a column of unlabelled numbers or a label's values.
struct PlotSeries
{
    QString name;  // the label, or "Colonna N"
    bool labelled; // a label and a column of the same name are two series
    SampleRing samples;
};

// A value in the fewest digits that read back as the same number.
[[nodiscard]] QString valueText(double value);
// "name: ultimo v, minimo a, massimo b" ("name: nessun valore" while empty).
[[nodiscard]] QString seriesSummary(const PlotSeries &series);

// The series read from the lines that gave numbers, each with its samples,
// in the order they first appeared. A line's time is its first byte's;
// should the clock step back, a series' times hold at their latest until it
// catches up, so that they never go backwards.
class PlotData
{
public:
    // An hour at a hundred lines a second.
    static constexpr qsizetype DefaultLimit = 360'000;

    explicit PlotData(qsizetype limit = DefaultLimit) : m_limit(limit) { }

    // One display line's received bytes, its first byte read at ms. False
    // when it gave no number.
    bool addLine(QByteArrayView line, qint64 ms);

    // Samples kept per series; the oldest go first.
    void setLimit(qsizetype limit);
    [[nodiscard]] qsizetype limit() const { return m_limit; }

    // Stable references: a series, once there, stays where it is.
    [[nodiscard]] const std::deque<PlotSeries> &series() const { return m_series; }
    // The lines that gave numbers so far; the next one's number.
    [[nodiscard]] qint64 lines() const { return m_lines; }
    // Changes with every line that gives numbers, Clear and limit.
    [[nodiscard]] quint64 revision() const { return m_revision; }
    // Empties every series; the series stay.
    void clear();

private:
    PlotSeries &seriesFor(const QString &label, int column);

    qsizetype m_limit;
    std::deque<PlotSeries> m_series;
    std::vector<PlotSeries *> m_columns; // by column, from 1; found without a name
    qint64 m_lines = 0;
    quint64 m_revision = 0;
};

} // namespace quillar
