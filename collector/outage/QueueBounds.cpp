#include "QueueBounds.h"

#include "common/CollectorIdentity.h"
#include "common/IniFile.h"
#include "common/TextRules.h"

#include <QDir>

namespace vorenta {

namespace {

/// A whole number from 1 to `maximum` read from [COLETOR] `key`; `fallback` when missing.
int boundSetting(const IniFile& ini, const QString& key, int fallback, int maximum, QStringList& notices)
{
    const QString text = Trim(ini.value(QStringLiteral("COLETOR"), key));
    if (text.isEmpty())
        return fallback;
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (ok && number >= 1 && number <= maximum)
        return static_cast<int>(number);
    const int taken = ok && number > maximum ? maximum : fallback;
    notices.append(
        QStringLiteral("%1 inválido em Coletor.ini: %2; usando %3.").arg(key, EscapedText(text)).arg(taken));
    return taken;
}

} // namespace

PendingQueueBounds LoadPendingQueueBounds(const QString& programFolder, QStringList& notices)
{
    PendingQueueBounds bounds;
    try {
        const IniFile ini(QDir(programFolder).filePath(QString::fromLatin1(kCollectorIniName)));
        bounds.maxAgeDays =
            boundSetting(ini, QStringLiteral("PendentesDias"), PendingQueueBounds::kDefaultDays,
                         PendingQueueBounds::kMaxDays, notices);
        bounds.maxMegabytes =
            boundSetting(ini, QStringLiteral("PendentesMB"), PendingQueueBounds::kDefaultMegabytes,
                         PendingQueueBounds::kMaxMegabytes, notices);
    } catch (const IniFileError&) {
        // the identity read reports the file
    }
    return bounds;
}

} // namespace vorenta
