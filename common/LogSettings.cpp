#include "LogSettings.h"

#include "common/CollectorIdentity.h"
#include "common/IniFile.h"
#include "common/TextRules.h"

#include <QDir>

#include <algorithm>

namespace vorenta {

LogSettings LoadLogSettings(const QString& programFolder)
{
    QString text;
    try {
        const IniFile ini(QDir(programFolder).filePath(QString::fromLatin1(kCollectorIniName)));
        text = Trim(ini.value(QStringLiteral("Log"), QStringLiteral("Arquivos")));
    } catch (const IniFileError&) {
        return {}; // the identity read reports the file
    }
    if (text.isEmpty())
        return {};
    const bool digits =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    bool ok = false;
    const long long wanted = text.toLongLong(&ok);
    if (digits && ok && wanted <= LogSettings::kMaxKeptFiles)
        return {static_cast<int>(wanted), {}};
    // Digits too many for a number are still a number above the maximum, not a word.
    const int taken = digits ? LogSettings::kMaxKeptFiles : LogSettings::kDefaultKeptFiles;
    return {taken, QStringLiteral("Arquivos inválido em Coletor.ini [Log]: %1; usando %2.")
                       .arg(EscapedText(text))
                       .arg(taken)};
}

} // namespace vorenta
