#pragma once

#include "port/port_device.h"
#include "port/port_pair.h"

#include <QTimer>

#include <array>
#include <functional>
#include <memory>

namespace quillar {

// Both directions of a link as one device: two devices (local or remote)
// read side by side, their bytes handed over as one stream in the order of
// their read times, each run marked with its side (StampedBytes::sides).
// Neither side is ever written to.
//
// A side whose device goes away is reported (sideLost), the bytes it read
// before are still handed over, and the other side reads on; the pair is
// gone (hungUp) only when both are. With sides returning, a side that went is
// tried again every RetryMs until it opens (sideReturned).
class PairDevice : public PortDevice
{
    Q_OBJECT

public:
    // Makes the device that opens one side's path.
    using SideFactory = std::function<std::unique_ptr<PortDevice>(const QString &path)>;

    explicit PairDevice(SideFactory factory);
    ~PairDevice() override;

    // path: a pair path (pairPath). A side that fails fails the pair, its
    // name before the failure's description, and the other side is closed.
    void open(const QString &path, const QString &shownAs, const CommSettings &settings) override;
    [[nodiscard]] bool isConnecting() const override;
    void applySettings(const CommSettings &settings) override;
    [[nodiscard]] CommSettings settings() const override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    [[nodiscard]] qint64 available() const override;
    [[nodiscard]] StampedBytes take(qint64 max) override;
    [[nodiscard]] quint64 received() const override;
    void notifyAfter(quint64 seen) override;
    void stopReading() override;

    [[nodiscard]] const PortPair &pair() const { return m_pair; }
    // Whether a side that went is opened again when it can be.
    void setSidesReturn(bool returning) { m_returning = returning; }
    // Where a side that went is looked for: its port's file read again, so
    // that a side by number follows its link; empty: where it was.
    using SideLocator = std::function<QString(std::size_t side)>;
    void setSideLocator(SideLocator locator) { m_locate = std::move(locator); }

    static constexpr int RetryMs = 500;

signals:
    // A line condition or modem line change on one side, in place of lineEvent.
    void sideLineEvent(int side, quillar::CommEvent event);
    void sideLost(int side);
    void sideReturned(int side);

private:
    void adopt(std::size_t index, std::unique_ptr<PortDevice> side);
    void sideConnected(std::size_t index);
    void sideHungUp(std::size_t index);
    void sideConnectFailed(std::size_t index, int number, const QString &description);
    void drop(std::size_t index);
    void retry();
    [[nodiscard]] QString sideFailure(std::size_t side, const QString &description) const;
    void pull(qint64 max);

    SideFactory m_factory;
    SideLocator m_locate;
    PortPair m_pair;
    std::array<std::unique_ptr<PortDevice>, 2> m_sides;
    // Taken from the sides, merged, and not handed over yet.
    StampedBytes m_pending;
    // What received() last counted of each side, for notifyAfter.
    mutable std::array<quint64, 2> m_counted{};
    // What the sides' devices that went had read.
    std::array<quint64, 2> m_before{};
    std::array<bool, 2> m_gone{};
    bool m_opened = false;
    bool m_returning = false;
    CommSettings m_settings;
    QString m_shownAs;
    QTimer m_retry;
};

// Merges two sides' bytes into one stream ordered by read time, earlier
// reads first and side 0 first at equal times, marking each run's side.
[[nodiscard]] StampedBytes mergeSides(const StampedBytes &side0, const StampedBytes &side1);

} // namespace quillar
