#pragma once

#include "collector/database/RangeTable.h"
#include "collector/outage/QueueFile.h"
#include "common/CollectorIdentity.h"

#include <QString>

#include <optional>

namespace vorenta {

/// What the collector last read from the central server and needs while it is out of reach:
/// its ranges and the rest between cycles, kept in the queue's file (a collector started during
/// an outage has loaded nothing yet). A failure to keep them is logged by the file and tried
/// again at the next load.
class KeptSettings {
public:
    explicit KeptSettings(QueueFile& file);

    /// Keeps `table` as the ranges of `identity` (rewritten only when it changed).
    void keepRanges(const CollectorIdentity& identity, const RangeTable& table);
    /// The ranges kept for `identity`; nothing when none are kept.
    std::optional<RangeTable> keptRanges(const CollectorIdentity& identity);

    /// Keeps the rest between cycles, in minutes, read from the central database.
    void keepPauseMinutes(int minutes);
    std::optional<int> keptPauseMinutes();

private:
    template <typename Update> void remember(Update&& update);
    bool remembered() const { return m_file.isOpen() && m_opening == m_file.opening(); }

    QueueFile& m_file;
    QString m_keptRangesKey; ///< what keepRanges last wrote, to skip rewriting the same
    std::optional<int> m_keptPause;
    quint64 m_opening = 0; ///< the file's opening the two above were learnt in
};

} // namespace vorenta
