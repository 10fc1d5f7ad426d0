#include "pair_device.h"

#include "platform/numbered_error.h"

namespace quillar {

namespace {

// The runs of one read time in a side's bytes.
struct Run
{
    qsizetype from;
    qsizetype to;
    qint64 ms;
};

std::vector<Run> runs(const StampedBytes &input)
{
    std::vector<Run> out;
    const TimeMarks &marks = input.marks;
    if (marks.empty() && !input.bytes.isEmpty())
        out.push_back({0, input.bytes.size(), 0});
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const qsizetype to = i + 1 < marks.size() ? marks[i + 1].offset : input.bytes.size();
        if (to > marks[i].offset)
            out.push_back({marks[i].offset, to, marks[i].ms});
    }
    return out;
}

void appendRun(StampedBytes &out, const QByteArray &bytes, const Run &run, int side)
{
    const qsizetype at = out.bytes.size();
    if (out.marks.empty() || out.marks.back().ms != run.ms)
        out.marks.push_back({at, run.ms});
    if (out.sides.empty() || out.sides.back().side != side)
        out.sides.push_back({at, side});
    out.bytes.append(bytes.constData() + run.from, run.to - run.from);
}

} // namespace

StampedBytes mergeSides(const StampedBytes &side0, const StampedBytes &side1)
{
    const std::vector<Run> a = runs(side0);
    const std::vector<Run> b = runs(side1);
    StampedBytes out;
    out.bytes.reserve(side0.bytes.size() + side1.bytes.size());
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && a[i].ms <= b[j].ms))
            appendRun(out, side0.bytes, a[i++], 0);
        else
            appendRun(out, side1.bytes, b[j++], 1);
    }
    return out;
}

PairDevice::PairDevice(SideFactory factory) : m_factory(std::move(factory))
{
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &PairDevice::retry);
}

PairDevice::~PairDevice()
{
    close();
}

QString PairDevice::sideFailure(std::size_t side, const QString &description) const
{
    return QStringLiteral("Lato %1 della coppia: %2").arg(m_pair.sides[side].name, description);
}

void PairDevice::open(const QString &path, const QString &shownAs, const CommSettings &settings)
{
    m_pair = pairFromPath(path);
    m_settings = settings;
    m_shownAs = shownAs;
    for (std::size_t i = 0; i < m_sides.size(); ++i) {
        const QString &where = m_pair.sides[i].where;
        auto side = m_factory(where);
        try {
            side->open(where, shownAs.isEmpty() ? where : shownAs + u'.' + m_pair.sides[i].name, settings);
        } catch (const NumberedError &error) {
            close();
            throw NumberedError(error.number(), sideFailure(i, error.description()));
        }
        adopt(i, std::move(side));
    }
    m_opened = !isConnecting();
}

void PairDevice::adopt(std::size_t index, std::unique_ptr<PortDevice> side)
{
    connect(side.get(), &PortDevice::readyRead, this, &PortDevice::readyRead);
    connect(side.get(), &PortDevice::lineEvent, this,
            [this, index](CommEvent event) { emit sideLineEvent(int(index), event); });
    connect(side.get(), &PortDevice::hungUp, this, [this, index] { sideHungUp(index); });
    connect(side.get(), &PortDevice::connected, this, [this, index] { sideConnected(index); });
    connect(side.get(), &PortDevice::connectFailed, this,
            [this, index](int number, const QString &description) { sideConnectFailed(index, number, description); });
    m_sides[index] = std::move(side);
    m_counted[index] = 0;
}

void PairDevice::sideConnected(std::size_t index)
{
    if (m_opened) {
        m_gone[index] = false;
        m_sides[index]->notifyAfter(0);
        emit sideReturned(int(index));
        return;
    }
    if (!isConnecting() && isOpen()) {
        m_opened = true;
        emit connected();
    }
}

void PairDevice::sideConnectFailed(std::size_t index, int number, const QString &description)
{
    if (m_opened) { // a try at bringing it back: the next one follows
        drop(index);
        return;
    }
    close();
    emit connectFailed(number, sideFailure(index, description));
}

void PairDevice::sideHungUp(std::size_t index)
{
    if (m_gone[index])
        return;
    m_gone[index] = true;
    if (m_gone[0] && m_gone[1]) {
        m_retry.stop();
        emit hungUp();
        return;
    }
    emit sideLost(int(index));
    emit readyRead(); // what it read before it went is still handed over
    if (m_returning)
        m_retry.start();
}

// A side that went, once what it read is taken, goes; its count stays.
void PairDevice::drop(std::size_t index)
{
    auto &side = m_sides[index];
    if (!side)
        return;
    m_before[index] += side->received();
    side->disconnect(this);
    side->close();
    // It may be the one whose signal is being handled.
    side.release()->deleteLater();
}

void PairDevice::retry()
{
    bool waiting = false;
    for (std::size_t i = 0; i < m_sides.size(); ++i) {
        if (!m_gone[i])
            continue;
        waiting = true;
        if (m_sides[i] && (m_sides[i]->available() > 0 || m_sides[i]->isConnecting()))
            continue; // its last bytes go first; a try under way goes on
        drop(i);
        const QString located = m_locate ? m_locate(i) : QString();
        const QString where = located.isEmpty() ? m_pair.sides[i].where : located;
        auto side = m_factory(where);
        try {
            side->open(where, m_shownAs + u'.' + m_pair.sides[i].name, m_settings);
        } catch (const NumberedError &) {
            continue; // not back yet
        }
        const bool connecting = side->isConnecting();
        adopt(i, std::move(side));
        if (!connecting)
            sideConnected(i);
    }
    if (!waiting)
        m_retry.stop();
}

bool PairDevice::isConnecting() const
{
    // A side coming back connects while the pair reads on.
    return !m_opened
        && std::any_of(m_sides.begin(), m_sides.end(), [](const auto &side) { return side && side->isConnecting(); });
}

void PairDevice::applySettings(const CommSettings &settings)
{
    for (const auto &side : m_sides) {
        if (side)
            side->applySettings(settings);
    }
    m_settings = settings;
}

CommSettings PairDevice::settings() const
{
    for (const auto &side : m_sides) {
        if (side && side->isOpen())
            return side->settings();
    }
    return m_settings;
}

void PairDevice::close()
{
    m_retry.stop();
    for (std::size_t i = 0; i < m_sides.size(); ++i)
        drop(i);
    m_pending = {};
    m_opened = false;
    m_gone = {};
}

bool PairDevice::isOpen() const
{
    // A side that went counts as open until the pair closes: what it read
    // is still to be taken.
    for (std::size_t i = 0; i < m_sides.size(); ++i) {
        if (!m_gone[i] && !(m_sides[i] && m_sides[i]->isOpen()))
            return false;
    }
    return m_sides[0] || m_sides[1];
}

qint64 PairDevice::available() const
{
    qint64 total = m_pending.bytes.size();
    for (const auto &side : m_sides)
        total += side ? side->available() : 0;
    return total;
}

void PairDevice::pull(qint64 max)
{
    std::array<StampedBytes, 2> taken;
    for (std::size_t i = 0; i < m_sides.size(); ++i) {
        if (m_sides[i])
            taken[i] = m_sides[i]->take(max);
    }
    m_pending = mergeSides(taken[0], taken[1]);
}

StampedBytes PairDevice::take(qint64 max)
{
    if (!isOpen())
        return {};
    // What was merged goes first, so that a chunk is sorted with what both
    // sides held when it was taken.
    if (m_pending.bytes.isEmpty())
        pull(max);
    const qsizetype size = m_pending.bytes.size();
    const qsizetype count = std::min<qsizetype>(max, size);
    StampedBytes out = stampedBetween(m_pending, 0, count);
    m_pending = count == size ? StampedBytes{} : stampedBetween(m_pending, count, size);
    return out;
}

quint64 PairDevice::received() const
{
    for (std::size_t i = 0; i < m_sides.size(); ++i)
        m_counted[i] = m_sides[i] ? m_sides[i]->received() : 0;
    return m_before[0] + m_counted[0] + m_before[1] + m_counted[1];
}

void PairDevice::notifyAfter(quint64 seen)
{
    const bool counted = seen == m_before[0] + m_counted[0] + m_before[1] + m_counted[1];
    for (std::size_t i = 0; i < m_sides.size(); ++i) {
        if (m_sides[i])
            m_sides[i]->notifyAfter(seen == 0 ? 0 : counted ? m_counted[i] : m_sides[i]->received());
    }
}

void PairDevice::stopReading()
{
    for (const auto &side : m_sides) {
        if (side)
            side->stopReading();
    }
}

} // namespace quillar
