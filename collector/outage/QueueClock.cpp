#include "QueueClock.h"

#include <QFile>

#include <time.h>

namespace vorenta {

namespace {

QString currentBootId()
{
    static const QString id = [] {
        QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromLatin1(file.readAll()).trimmed();
    }();
    return id;
}

} // namespace

QueueTime SystemQueueTime()
{
    QueueTime now;
    now.wall = QDateTime::currentDateTime();
    timespec since{};
    if (::clock_gettime(CLOCK_BOOTTIME, &since) == 0) {
        now.sinceBootMs = qint64{since.tv_sec} * 1000 + since.tv_nsec / 1000000;
        now.bootId = currentBootId();
    }
    return now;
}

qint64 ElapsedSeconds(const QueueTime& then, const QueueTime& now)
{
    if (!then.bootId.isEmpty() && then.bootId == now.bootId && then.sinceBootMs >= 0 && now.sinceBootMs >= 0)
        return (now.sinceBootMs - then.sinceBootMs) / 1000;
    return then.wall.secsTo(now.wall);
}

} // namespace vorenta
