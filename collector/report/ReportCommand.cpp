#include "ReportCommand.h"

#include "collector/report/PagesReport.h"
#include "collector/report/SuppliesReport.h"
#include "common/IniFile.h"
#include "common/database/DatabaseConnection.h"
#include "common/database/DatabaseDriver.h"
#include "common/database/DatabaseError.h"
#include "common/database/DatabaseSettings.h"

#include <cstdio>

namespace vorenta {

namespace {

void printReason(const QString& text)
{
    std::fputs(("VorentaServer: " + text + u'\n').toUtf8().constData(), stderr);
}

QString upgradeScript(DatabaseBackend backend)
{
    return backend == DatabaseBackend::SqlServer ? QStringLiteral("relatorios-sqlserver.sql")
                                                 : QStringLiteral("relatorios-postgresql.sql");
}

} // namespace

int RunReport(const ReportRequest& request, const QString& programFolder)
{
    DatabaseSettings settings;
    try {
        settings = LoadDatabaseSettings(programFolder);
    } catch (const IniFileError& error) {
        printReason(QStringLiteral("não foi possível ler Coletor.ini: ") +
                    QString::fromLocal8Bit(error.what()));
        return 1;
    }
    if (!settings.problem.isEmpty()) {
        printReason(settings.problem + QStringLiteral("; corrija [BANCO] em Coletor.ini."));
        return 1;
    }
    if (!DriverInstalled(settings.backend)) {
        printReason(QStringLiteral("driver do banco de dados %1 não instalado; instale o pacote %2.")
                        .arg(DriverName(settings.backend), DriverPackage(settings.backend)));
        return 1;
    }
    // A report reads what the collector stored: a missing embedded file is a wrong folder or a
    // collector that never ran, not a database to create.
    settings.createMissingFile = false;
    DatabaseConnection connection(settings);
    try {
        connection.open();
    } catch (const DatabaseError& error) {
        printReason(QStringLiteral("não foi possível abrir o banco de dados: %1; confira --home e [BANCO] em "
                                   "Coletor.ini.")
                        .arg(error.text()));
        return 1;
    }
    const bool pages = request.kind == ReportRequest::Kind::Pages;
    ReportTable table;
    try {
        table = pages ? PagesReport(connection, request.month, request.chave)
                      : SuppliesReport(connection, request.chave, request.belowPercent);
    } catch (const DatabaseError& error) {
        // An embedded file gets the views when it is opened; a server from its upgrade script.
        QString advice;
        if (settings.backend != DatabaseBackend::Sqlite)
            advice = QStringLiteral(" Se o servidor não tem as visões de relatório, rode ") +
                     upgradeScript(settings.backend) + QStringLiteral(" (pasta schema/upgrade).");
        printReason(QStringLiteral("não foi possível ler %1: %2.%3")
                        .arg(pages ? QStringLiteral("PaginasPorMes") : QStringLiteral("SuprimentoAtual"),
                             error.text(), advice));
        return 1;
    }
    const QString text = request.csv ? table.csv() : table.aligned();
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
    if (table.rows.isEmpty()) {
        QString scope = request.chave.isEmpty() ? QString() : QStringLiteral(" da chave ") + request.chave;
        printReason(pages ? QStringLiteral("nenhuma leitura em %1%2.").arg(request.month, scope)
                          : QStringLiteral("nenhum suprimento%1%2.")
                                .arg(scope, request.belowPercent
                                                ? QStringLiteral(" abaixo de %1%").arg(*request.belowPercent)
                                                : QString()));
    }
    return 0;
}

} // namespace vorenta
