#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace vorenta {

/// The collector's clocks at one moment: the wall clock, which a person or NTP may set right
/// during an outage, and the time since boot, which nothing moves (CLOCK_BOOTTIME counts
/// suspended time too), with the boot it belongs to.
struct QueueTime {
    QDateTime wall;
    qint64 sinceBootMs = -1; ///< -1: not known
    QString bootId;          ///< empty: not known
};

using QueueClock = std::function<QueueTime()>;

/// The system's clocks now (/proc/sys/kernel/random/boot_id names the boot).
QueueTime SystemQueueTime();

/// Seconds from `then` to `now`: by the time since boot when both are of one boot, else by the
/// wall clock.
qint64 ElapsedSeconds(const QueueTime& then, const QueueTime& now);

} // namespace vorenta
