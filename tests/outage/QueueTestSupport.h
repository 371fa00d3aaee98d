#pragma once

#include "collector/outage/KeptSettings.h"
#include "collector/outage/PendingQueue.h"
#include "collector/outage/QueueFile.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QDateTime>

#include <memory>

namespace vorenta::test {

/// The queue's file, the queue and the kept settings in a program folder of their own, on
/// clocks the test sets: `now` for the wall clock, and a clock since boot of one boot
/// ("boot-1") that runs only when the test moves `sinceBootMs`.
struct QueueUnderTest {
    explicit QueueUnderTest(PendingQueueBounds bounds = {}, QString path = {})
        : file(path.isEmpty() ? home.file(QStringLiteral("Pendentes.db")) : path, log, [this] { return now; }),
          queue(file, bounds, log, [this] { return QueueTime{now, sinceBootMs, bootId}; }), kept(file)
    {
    }

    QString path() const { return file.path(); }

    TemporaryProgramFolder home;
    CapturingLogSink log;
    QDateTime now{QDate(2025, 3, 10), QTime(14, 30, 5)};
    qint64 sinceBootMs = 3'600'000;
    QString bootId = QStringLiteral("boot-1");
    QueueFile file;
    PendingQueue queue;
    KeptSettings kept;
};

} // namespace vorenta::test
