#pragma once

#include "common/ActivityLog.h"

#include <QStringList>

namespace vorenta::test {

/// Keeps every message in call order, without dates, so tests assert on the lines themselves.
class CapturingLogSink final : public LogSink {
public:
    void WriteLog(const QString& message) override { lines.append(message); }

    /// True when `message` was written.
    bool contains(const QString& message) const { return lines.contains(message); }

    /// Messages that start with `prefix`.
    QStringList startingWith(const QString& prefix) const
    {
        QStringList found;
        for (const QString& line : lines) {
            if (line.startsWith(prefix))
                found.append(line);
        }
        return found;
    }

    QStringList lines;
};

} // namespace vorenta::test
