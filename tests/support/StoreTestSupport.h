#pragma once

#include "collector/database/TDTM.h"
#include "collector/database/store/DatabaseReadingStore.h"
#include "common/database/SqlQuery.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/DatabaseFixture.h"

#include <memory>

namespace vorenta::test {

/// Collector settings as a service start would leave them, with blanks the store must trim.
inline CollectorSettings StoreSettings()
{
    CollectorSettings s = CollectorSettings::forProgramFolder(QStringLiteral("/tmp/coletor"));
    s.VersionText = QString::fromUtf8(kVersionText);
    s.ComputerName = QStringLiteral(" COLETOR-01 ");
    s.CodEmpresa = QStringLiteral(" 77 ");
    s.Contato1 = QStringLiteral(" Ana ");
    s.Contato2 = QStringLiteral("Bruno");
    s.Contato3 = QString();
    s.Telefone1 = QStringLiteral(" 11 5555-0001");
    s.Telefone2 = QStringLiteral("11 5555-0002 ");
    s.email1 = QStringLiteral(" ana@cliente.com.br ");
    s.DateTimeFormat = QString::fromUtf8(kDayFirstFormat);
    return s;
}

/// A plausible printer reading; `serial` as the device gave it.
inline DeviceReading PrinterReading(const QString& serial, const QString& falha = QStringLiteral("2-TUDO OK"))
{
    DeviceReading r;
    r.IP = QStringLiteral(" 127.0.0.9 ");
    r.MacAddress = QStringLiteral(" 00:1B:A9:12:34:56");
    r.NSerie = serial;
    r.Modelo = QStringLiteral(" MP 301 ");
    r.Fabricante = QStringLiteral("RICOH ");
    r.ContGeral = QStringLiteral(" 12345");
    r.ContColor = QStringLiteral("0");
    r.ContPb = QStringLiteral("12345\t");
    r.ContScan = QStringLiteral("77");
    r.StatusEquip = QStringLiteral(" Pronto ");
    r.Falha = falha;
    r.inf1 = QStringLiteral(" firmware 1.02 ");
    r.ContA3 = QStringLiteral("10");
    r.ContA4 = QStringLiteral("12335");
    r.ContJams = QStringLiteral("3");
    r.NivelB = QStringLiteral("80");
    r.SupriB = QStringLiteral(" Toner Preto ");
    r.DurabB = QStringLiteral("10000");
    r.DeviceLocation = QStringLiteral("Sala 12 ");
    return r;
}

/// A collector's data module and store on a test database.
struct StoreUnderTest {
    StoreUnderTest(const DatabaseSettings& database, const CollectorIdentity& identity)
        : settings(StoreSettings()), dm(database, identity, log), store(dm, settings)
    {
    }
    CapturingLogSink log;
    CollectorSettings settings;
    TDTM dm;
    DatabaseReadingStore store;
};

/// The text of `column` in the first row of `statement` ("" when there is no row).
inline QString FirstText(DatabaseConnection& connection, const QString& statement, const QString& column)
{
    SqlQuery query(connection);
    query.addLine(statement);
    query.open();
    return query.hasRows() ? query.text(column) : QString();
}

inline QDateTime FirstDateTime(DatabaseConnection& connection, const QString& statement,
                               const QString& column)
{
    SqlQuery query(connection);
    query.addLine(statement);
    query.open();
    return query.hasRows() ? query.dateTime(column) : QDateTime();
}

} // namespace vorenta::test
