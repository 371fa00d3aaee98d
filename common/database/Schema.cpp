#include "Schema.h"

#include "common/TextRules.h"
#include "common/database/SchemaText.h"

namespace vorenta {

QString SchemaScript(DatabaseBackend backend)
{
    switch (backend) {
    case DatabaseBackend::PostgreSql:
        return QString::fromUtf8(schema_text::kPostgreSql);
    case DatabaseBackend::SqlServer:
        return QString::fromUtf8(schema_text::kSqlServer);
    case DatabaseBackend::Sqlite:
        break;
    }
    return QString::fromUtf8(schema_text::kSqlite);
}

QString UniqueKeysUpgradeSqlite()
{
    return QString::fromUtf8(schema_text::kUniqueKeysSqlite);
}

QStringList UniqueKeyIndexes()
{
    return {QStringLiteral("ux_listaequipcli_nserie"), QStringLiteral("ux_ultlog_idserv_chave"),
            QStringLiteral("ux_alerta_aberto")};
}

QStringList SplitSqlScript(const QString& script)
{
    QStringList statements;
    QString current;
    for (const QString& rawLine : script.split(u'\n')) {
        QString line = rawLine;
        const qsizetype comment = line.indexOf(QStringLiteral("--"));
        if (comment >= 0)
            line.truncate(comment);
        line = Trim(line);
        if (line.isEmpty())
            continue;
        // sqlcmd's batch separator (a SQL Server script opens a CREATE VIEW with it) ends a
        // statement like a final ';' and is no statement itself.
        if (line.compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0) {
            if (!IsBlank(current))
                statements.append(Trim(current));
            current.clear();
            continue;
        }
        const bool ends = line.endsWith(u';');
        if (ends)
            line.chop(1);
        current += line + u'\n';
        if (ends) {
            statements.append(Trim(current));
            current.clear();
        }
    }
    if (!IsBlank(current))
        statements.append(Trim(current));
    return statements;
}

} // namespace vorenta
