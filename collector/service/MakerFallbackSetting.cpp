#include "MakerFallbackSetting.h"

#include "common/CollectorIdentity.h"
#include "common/IniFile.h"
#include "common/TextRules.h"

#include <QDir>

namespace vorenta {

MakerFallbackSetting LoadMakerFallback(const QString& programFolder)
{
    QString value;
    try {
        const IniFile ini(QDir(programFolder).filePath(QString::fromLatin1(kCollectorIniName)));
        value = ini.value(QStringLiteral("COLETOR"), QStringLiteral("FabricantePorOid"));
    } catch (const IniFileError&) {
        return {};
    }
    if (value == u"1")
        return {MakerFallback::SysObjectId, {}};
    if (value.isEmpty() || value == u"0")
        return {};
    return {MakerFallback::Off,
            QStringLiteral("FabricantePorOid inválido em Coletor.ini, usando 0: ") + EscapedText(value)};
}

} // namespace vorenta
