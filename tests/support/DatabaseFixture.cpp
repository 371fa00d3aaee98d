#include "DatabaseFixture.h"

#include "common/database/DatabaseError.h"
#include "common/database/SqlQuery.h"
#include "tests/support/Peers.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <atomic>
#include <stdexcept>

namespace vorenta::test {

namespace {

DatabaseSettings postgresSettings(const QString& database)
{
    DatabaseSettings settings;
    settings.backend = DatabaseBackend::PostgreSql;
    settings.host = qEnvironmentVariable("VORENTA_TEST_PGHOST");
    settings.port = qEnvironmentVariableIntValue("VORENTA_TEST_PGPORT");
    settings.user = qEnvironmentVariable("VORENTA_TEST_PGUSER");
    settings.password = qEnvironmentVariable("VORENTA_TEST_PGPASSWORD");
    settings.databaseName = database;
    settings.connectTimeoutSeconds = 5;
    settings.commandTimeoutSeconds = 30;
    return settings;
}

QString uniqueDatabaseName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("vt_%1_%2_%3")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter)
        .arg(QRandomGenerator::global()->bounded(1000000));
}

/// Runs `statement` on the administration database of the test server.
void administer(const QString& statement)
{
    DatabaseConnection admin(postgresSettings(qEnvironmentVariable("VORENTA_TEST_PGDATABASE")));
    admin.open();
    admin.executeScript(statement);
}

} // namespace

bool PostgresControllable()
{
    return PostgresConfigured() && !qEnvironmentVariableIsEmpty("VORENTA_TEST_PG_CONTROL");
}

bool ControlPostgres(const QString& action)
{
    QProcess control;
    control.start(qEnvironmentVariable("VORENTA_TEST_PG_CONTROL"), {action});
    return control.waitForFinished(120000) && control.exitStatus() == QProcess::NormalExit &&
           control.exitCode() == 0;
}

bool PostgresConfigured()
{
    return !qEnvironmentVariableIsEmpty("VORENTA_TEST_PGHOST") &&
           !qEnvironmentVariableIsEmpty("VORENTA_TEST_PGPORT") &&
           !qEnvironmentVariableIsEmpty("VORENTA_TEST_PGDATABASE");
}

TestDatabase::TestDatabase(TestBackend backend) : m_backend(backend)
{
    try {
        if (backend == TestBackend::Sqlite) {
            m_settings = DatabaseSettings::embedded(m_folder.path());
        } else {
            m_pgDatabase = uniqueDatabaseName();
            administer(QStringLiteral("CREATE DATABASE ") + m_pgDatabase);
            m_settings = postgresSettings(m_pgDatabase);
        }
        m_connection = std::make_unique<DatabaseConnection>(m_settings);
        m_connection->open(); // creates the SQLite file with the schema
        if (backend == TestBackend::PostgreSql)
            m_connection->applySchema();
    } catch (const DatabaseError& error) {
        throw std::runtime_error("cannot make the test database: " + std::string(error.what()));
    }
}

TestDatabase::~TestDatabase()
{
    m_connection.reset();
    if (m_pgDatabase.isEmpty())
        return;
    try {
        administer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_pgDatabase));
    } catch (const DatabaseError& error) {
        ADD_FAILURE() << "cannot drop " << m_pgDatabase.toStdString() << ": " << error.what();
    }
}

QByteArray TestDatabase::bancoSection() const
{
    QByteArray ini = "[BANCO]\r\n";
    if (m_backend == TestBackend::Sqlite) {
        ini += "Tipo=sqlite\r\nBancoDados=" + m_settings.databaseName.toUtf8() + "\r\n";
        return ini;
    }
    ini += "Tipo=postgresql\r\n";
    ini += "Servidor=" + m_settings.host.toUtf8() + "\r\n";
    ini += "Porta=" + QByteArray::number(m_settings.port) + "\r\n";
    ini += "BancoDados=" + m_settings.databaseName.toUtf8() + "\r\n";
    ini += "Usuario=" + m_settings.user.toUtf8() + "\r\n";
    ini += "Senha=" + m_settings.password.toUtf8() + "\r\n";
    ini += "TempoConexao=" + QByteArray::number(m_settings.connectTimeoutSeconds) + "\r\n";
    return ini;
}

void TestDatabase::insertRow(const QString& table, const QList<QPair<QString, QVariant>>& columns)
{
    QStringList names;
    QStringList markers;
    for (const auto& column : columns) {
        names.append(column.first);
        markers.append(QStringLiteral(":x") + column.first);
    }
    SqlQuery query(*m_connection);
    query.addLine(QStringLiteral("insert into %1 (%2)").arg(table, names.join(u',')));
    query.addLine(QStringLiteral("values (%1)").arg(markers.join(u',')));
    for (const auto& [name, value] : columns) {
        const QString marker = QStringLiteral("x") + name;
        if (value.isNull())
            query.bindNull(marker);
        else if (value.metaType() == QMetaType::fromType<QDateTime>())
            query.bindDateTime(marker, value.toDateTime());
        else if (value.metaType() == QMetaType::fromType<QString>())
            query.bindText(marker, value.toString());
        else
            query.bindInteger(marker, value.toLongLong());
    }
    query.execute();
}

qint64 TestDatabase::lastCod(const QString& table)
{
    SqlQuery query(*m_connection);
    query.addLine(QStringLiteral("select max(Cod) as Cod from ") + table);
    query.open();
    return query.integer(QStringLiteral("Cod"));
}

void TestDatabase::insertParametros(const QString& chave, const QVariant& ed7, const QString& ck1,
                                    const QString& ed1, const QString& ed4, const QString& ed5)
{
    insertRow(QStringLiteral("Parametros"), {{QStringLiteral("chave"), chave},
                                             {QStringLiteral("ck1"), ck1},
                                             {QStringLiteral("Ed1"), ed1},
                                             {QStringLiteral("Ed4"), ed4},
                                             {QStringLiteral("Ed5"), ed5},
                                             {QStringLiteral("Ed7"), ed7}});
}

qint64 TestDatabase::insertRange(const QString& chave, const QString& idServ, const QVariant& ipIni,
                                 const QVariant& ipFin)
{
    insertRow(QStringLiteral("RangeIP"), {{QStringLiteral("CHAVE"), chave},
                                          {QStringLiteral("IDSERV"), idServ},
                                          {QStringLiteral("IPINI"), ipIni},
                                          {QStringLiteral("IPFIN"), ipFin}});
    return lastCod(QStringLiteral("RangeIP"));
}

void TestDatabase::insertExclusao(const QString& idServ, const QString& chave, const QString& nSerie)
{
    insertRow(QStringLiteral("exclusao"), {{QStringLiteral("Idserv"), idServ},
                                           {QStringLiteral("chave"), chave},
                                           {QStringLiteral("nSerie"), nSerie}});
}

void TestDatabase::insertOid(const QString& modelo, const QString& nomeInfo, const QString& oid)
{
    insertRow(QStringLiteral("Oid"), {{QStringLiteral("Modelo"), modelo},
                                      {QStringLiteral("NomeInfo"), nomeInfo},
                                      {QStringLiteral("Oid"), oid}});
}

void TestDatabase::execute(const QString& statement)
{
    SqlQuery query(*m_connection);
    query.addLine(statement);
    query.execute();
}

qint64 TestDatabase::count(const QString& table, const QString& where)
{
    SqlQuery query(*m_connection);
    query.addLine(QStringLiteral("select count(*) as n from ") + table);
    if (!where.isEmpty())
        query.addLine(QStringLiteral("where ") + where);
    query.open();
    return query.integer(QStringLiteral("n"));
}

void DatabaseTest::SetUp()
{
    if (GetParam() == TestBackend::PostgreSql && !PostgresConfigured())
        VORENTA_PEER_MISSING("PostgreSQL (VORENTA_TEST_PG* variables)");
    m_database.emplace(GetParam());
}

std::string BackendName(const ::testing::TestParamInfo<TestBackend>& info)
{
    return info.param == TestBackend::Sqlite ? "Sqlite" : "PostgreSql";
}

void PrintTo(TestBackend backend, std::ostream* out)
{
    *out << (backend == TestBackend::Sqlite ? "Sqlite" : "PostgreSql");
}

namespace {

// The row `query` is on, as "column=value" with lower-case names, without Cod and the two dates.
QStringList rowWithoutDates(const QSqlQuery& query)
{
    QStringList row;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i) {
        const QString name = record.fieldName(i).toLower();
        if (name != u"cod" && name != u"dataexp" && name != u"datalog")
            row << name + u'=' + query.value(i).toString();
    }
    return row;
}

} // namespace

QList<QStringList> StoredRowsWithoutDates(DatabaseConnection& connection)
{
    QList<QStringList> rows;
    QSqlQuery query(connection.database());
    if (!query.exec(QStringLiteral("select * from DadosOid order by Cod")))
        throw std::runtime_error("DadosOid: " + query.lastError().text().toStdString());
    while (query.next())
        rows << rowWithoutDates(query);
    return rows;
}

QStringList LastStoredRowWithoutDates(DatabaseConnection& connection, const QString& ip)
{
    QSqlQuery query(connection.database());
    query.prepare(QStringLiteral("select * from DadosOid where IP = :ip order by Cod desc"));
    query.bindValue(QStringLiteral(":ip"), ip);
    if (!query.exec())
        throw std::runtime_error("DadosOid: " + query.lastError().text().toStdString());
    return query.next() ? rowWithoutDates(query) : QStringList();
}

} // namespace vorenta::test
