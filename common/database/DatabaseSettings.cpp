#include "DatabaseSettings.h"

#include "common/CollectorIdentity.h"
#include "common/IniFile.h"
#include "common/TextRules.h"

#include <QDir>

#ifndef VORENTA_PROVIDER_DB_HOST
#error "VORENTA_PROVIDER_DB_HOST must be defined by the build"
#endif

namespace vorenta {

namespace {

const QString kSection = QStringLiteral("BANCO");

/// A positive whole number, or `fallback`: a time-out of zero would mean "wait forever" to most drivers.
int positiveNumber(const QString& text, int fallback)
{
    bool ok = false;
    const int value = Trim(text).toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

} // namespace

DatabaseSettings DatabaseSettings::embedded(const QString& programFolder)
{
    DatabaseSettings settings;
    settings.backend = DatabaseBackend::Sqlite;
    settings.databaseName = QDir(programFolder).absoluteFilePath(QStringLiteral("Vorenta.db"));
    return settings;
}

DatabaseSettings DatabaseSettings::providerSqlServer()
{
    DatabaseSettings settings;
    settings.backend = DatabaseBackend::SqlServer;
    settings.host = QStringLiteral(VORENTA_PROVIDER_DB_HOST);
    settings.port = kSqlServerPort;
    settings.databaseName = QStringLiteral("Brisolt");
    settings.user = QStringLiteral("Brisolt");
    settings.password = QStringLiteral("ktvbnrs4826");
    return settings;
}

QString DatabaseSettings::describe() const
{
    switch (backend) {
    case DatabaseBackend::Sqlite:
        return QStringLiteral("sqlite:") + databaseName;
    case DatabaseBackend::PostgreSql:
        return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user, host).arg(port).arg(databaseName);
    case DatabaseBackend::SqlServer:
        return QStringLiteral("sqlserver://%1@%2,%3/%4").arg(user, host).arg(port).arg(databaseName);
    }
    return {};
}

DatabaseSettings LoadDatabaseSettings(const QString& programFolder)
{
    const IniFile ini(QDir(programFolder).filePath(QString::fromLatin1(kCollectorIniName)));
    const QString tipo = LowerAscii(Trim(ini.value(kSection, QStringLiteral("Tipo"))));

    DatabaseSettings settings;
    if (tipo.isEmpty() || tipo == u"sqlite") {
        settings = DatabaseSettings::embedded(programFolder);
    } else if (tipo == u"sqlserver") {
        settings = DatabaseSettings::providerSqlServer();
    } else if (tipo == u"postgresql") {
        settings.backend = DatabaseBackend::PostgreSql;
        settings.host = QStringLiteral("localhost");
        settings.port = 5432;
        settings.databaseName = QStringLiteral("vorenta");
        settings.user = QStringLiteral("vorenta");
    } else {
        settings = DatabaseSettings::embedded(programFolder);
        settings.problem = QStringLiteral("Tipo de banco desconhecido em [BANCO]: ") + tipo;
    }

    const auto override = [&ini](const char* key, QString& field) {
        if (ini.contains(kSection, QString::fromLatin1(key)))
            field = Trim(ini.value(kSection, QString::fromLatin1(key)));
    };
    override("Servidor", settings.host);
    override("BancoDados", settings.databaseName);
    override("Usuario", settings.user);
    if (ini.contains(kSection, QStringLiteral("Senha")))
        settings.password = ini.value(kSection, QStringLiteral("Senha"));
    settings.port = positiveNumber(ini.value(kSection, QStringLiteral("Porta")), settings.port);
    if (settings.backend == DatabaseBackend::Sqlite)
        settings.databaseName = QDir(programFolder).absoluteFilePath(settings.databaseName);
    settings.connectTimeoutSeconds = positiveNumber(ini.value(kSection, QStringLiteral("TempoConexao")),
                                                    DatabaseSettings::kDefaultConnectTimeoutSeconds);
    settings.commandTimeoutSeconds = positiveNumber(ini.value(kSection, QStringLiteral("TempoComando")),
                                                    DatabaseSettings::kDefaultCommandTimeoutSeconds);
    return settings;
}

} // namespace vorenta
