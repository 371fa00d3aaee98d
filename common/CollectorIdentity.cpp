#include "CollectorIdentity.h"

#include "IniFile.h"
#include "TextRules.h"

#include <QDir>

namespace vorenta {

bool CollectorIdentity::isComplete() const
{
    return !IsBlank(Chave) && !IsBlank(IDServ);
}

CollectorIdentity LoadCollectorIdentity(const QString& programFolder)
{
    const IniFile ini(QDir(programFolder).filePath(QString::fromLatin1(kCollectorIniName)));
    const QString section = QStringLiteral("COLETOR");
    CollectorIdentity identity;
    identity.Chave = ini.value(section, QStringLiteral("Chave"));
    identity.IDServ = ini.value(section, QStringLiteral("IDServ"));
    identity.InstallationLocation = ini.value(section, QStringLiteral("LocalInstal"));
    identity.IdentityDate = ini.value(section, QStringLiteral("DataExp"));
    return identity;
}

} // namespace vorenta
