#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace vorenta {

/// How much the queue keeps: Coletor.ini [COLETOR] PendentesDias and PendentesMB.
struct PendingQueueBounds {
    static constexpr int kDefaultDays = 30;
    static constexpr int kDefaultMegabytes = 100;
    static constexpr int kMaxDays = 3650;
    static constexpr int kMaxMegabytes = 100000;

    int maxAgeDays = kDefaultDays;
    int maxMegabytes = kDefaultMegabytes;

    qint64 maxBytes() const { return qint64{maxMegabytes} * 1024 * 1024; }
    qint64 maxAgeSeconds() const { return qint64{maxAgeDays} * 24 * 60 * 60; }
};

/// Reads PendentesDias and PendentesMB from `programFolder`/Coletor.ini. A missing key, or an
/// unreadable file, gives the default; a value that is not a whole number from 1 to the maximum
/// gives the default or the maximum, with a line for the log in `notices`.
PendingQueueBounds LoadPendingQueueBounds(const QString& programFolder, QStringList& notices);

} // namespace vorenta
