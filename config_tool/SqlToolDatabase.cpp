#include "SqlToolDatabase.h"

#include "common/TextRules.h"
#include "common/database/DatabaseConnection.h"
#include "common/database/DatabaseError.h"

#include "common/database/SqlQuery.h"

#include <QDir>

namespace vorenta {

SqlToolDatabase::SqlToolDatabase(DatabaseSettings base, QString programFolder)
    : m_base(std::move(base)), m_current(m_base), m_programFolder(std::move(programFolder))
{
}

SqlToolDatabase::~SqlToolDatabase() = default;

ServerSettings SqlToolDatabase::defaults() const
{
    return {m_base.host, m_base.databaseName};
}

void SqlToolDatabase::connect(const ServerSettings& settings)
{
    DatabaseSettings next = m_base;
    // The downloaded settings name the provider's server and database. On the embedded database
    // they mean nothing: the tool edits the ranges of the collector beside it, in its Vorenta.db,
    // and a name such as "Brisolt" would make a new, empty file that no collector reads.
    if (next.backend != DatabaseBackend::Sqlite) {
        // "host,port", as a data source names a server with its port.
        next.host = settings.Servidor;
        const qsizetype comma = settings.Servidor.indexOf(u',');
        if (comma >= 0) {
            bool ok = false;
            const int port = Trim(settings.Servidor.mid(comma + 1)).toInt(&ok);
            if (ok) {
                next.host = Trim(settings.Servidor.left(comma));
                next.port = port;
            }
        }
        next.databaseName = settings.BancoDados;
    } else {
        next.databaseName = QDir(m_programFolder).absoluteFilePath(next.databaseName);
    }
    next.connectTimeoutSeconds = kTimeoutSeconds;
    next.commandTimeoutSeconds = kTimeoutSeconds;

    m_connection.reset();
    m_current = next;
    m_connection = std::make_unique<DatabaseConnection>(next);
    try {
        m_connection->open();
    } catch (const DatabaseError& error) {
        throwConnectFailure(error);
    }
}

QString SqlToolDatabase::describe() const
{
    if (m_current.backend == DatabaseBackend::Sqlite)
        return m_current.databaseName;
    return QStringLiteral("%1 em %2:%3").arg(m_current.databaseName, m_current.host).arg(m_current.port);
}

void SqlToolDatabase::throwConnectFailure(const std::exception& error) const
{
    throw ToolDatabaseError((QStringLiteral("Não foi possível conectar ao banco de dados ") + describe() +
                             QStringLiteral(": ") + QString::fromUtf8(error.what()))
                                .toStdString());
}

DatabaseConnection& SqlToolDatabase::usableConnection()
{
    if (!m_connection)
        m_connection = std::make_unique<DatabaseConnection>(m_current);
    if (!m_connection->isUsable()) {
        try {
            m_connection->open();
        } catch (const DatabaseError& error) {
            throwConnectFailure(error);
        }
    }
    return *m_connection;
}

void SqlToolDatabase::run(Kind kind, const std::function<void(DatabaseConnection&)>& statement)
{
    for (int attempt = 1;; ++attempt) {
        DatabaseConnection& connection = usableConnection();
        try {
            statement(connection);
            return;
        } catch (const ConnectionError& error) {
            // Broken under the statement: the next action opens it again.
            connection.close();
            if (kind == Kind::Read && attempt == 1)
                continue;
            throwConnectFailure(error);
        } catch (const DatabaseError& error) {
            throw ToolDatabaseError((QStringLiteral("O banco de dados ") + describe() +
                                     QStringLiteral(" recusou a operação: ") + error.text())
                                        .toStdString());
        }
    }
}

QString SqlToolDatabase::passwordOf(const QString& chave)
{
    QString password;
    run(Kind::Read, [&](DatabaseConnection& connection) {
        SqlQuery QryPadrao(connection);
        QryPadrao.setStatement(Statement::PasswordOfCustomer);
        QryPadrao.bindText(QStringLiteral("xChave"), chave);
        QryPadrao.open();
        password = QryPadrao.hasRows() ? QryPadrao.text(QStringLiteral("Ed5")) : QString();
    });
    return password;
}

QList<RangeRow> SqlToolDatabase::listRanges(const QString& chave, const QString& idServ)
{
    QList<RangeRow> rows;
    run(Kind::Read, [&](DatabaseConnection& connection) {
        SqlQuery QryPadrao(connection);
        QryPadrao.setStatement(Statement::RangesOfCollector);
        QryPadrao.bindText(QStringLiteral("xChave"), chave);
        QryPadrao.bindText(QStringLiteral("xIDServ"), idServ);
        QryPadrao.open();
        rows.clear();
        for (; !QryPadrao.atEnd(); QryPadrao.next())
            rows.append({QryPadrao.integer(QStringLiteral("Cod")), QryPadrao.text(QStringLiteral("IPINI")),
                         QryPadrao.text(QStringLiteral("IPFIN"))});
    });
    return rows;
}

void SqlToolDatabase::insertRange(const QString& chave, const QString& idServ, const QString& ipIni,
                                  const QString& ipFin)
{
    run(Kind::Write, [&](DatabaseConnection& connection) {
        SqlQuery QryPadrao(connection);
        QryPadrao.setStatement(Statement::InsertRange);
        QryPadrao.bindText(QStringLiteral("xCHAVE"), chave);
        QryPadrao.bindText(QStringLiteral("xIDSERV"), idServ);
        QryPadrao.bindText(QStringLiteral("xIPINI"), ipIni);
        QryPadrao.bindText(QStringLiteral("xIPFIN"), ipFin);
        QryPadrao.execute();
    });
}

void SqlToolDatabase::deleteRange(qint64 cod)
{
    run(Kind::Write, [&](DatabaseConnection& connection) {
        SqlQuery QryAux(connection);
        QryAux.setStatement(Statement::DeleteRange);
        QryAux.bindInteger(QStringLiteral("xCod"), cod);
        QryAux.execute();
    });
}

QList<DeviceRow> SqlToolDatabase::listDevices(const QString& chave, const QString& idServ)
{
    QList<DeviceRow> rows;
    run(Kind::Read, [&](DatabaseConnection& connection) {
        SqlQuery QryEquip(connection);
        QryEquip.setStatement(Statement::DevicesOfCollector);
        QryEquip.bindText(QStringLiteral("xChave"), chave);
        QryEquip.bindText(QStringLiteral("xIDServ"), idServ);
        QryEquip.open();
        rows.clear();
        for (; !QryEquip.atEnd(); QryEquip.next())
            rows.append({QryEquip.text(QStringLiteral("nSerie")), QryEquip.text(QStringLiteral("Fabricante")),
                         QryEquip.text(QStringLiteral("Modelo")), QryEquip.text(QStringLiteral("IP")),
                         QryEquip.text(QStringLiteral("LocalInstal")),
                         QryEquip.isNull(QStringLiteral("UltLog")) ? QDateTime()
                                                                   : QryEquip.dateTime(QStringLiteral("UltLog"))});
    });
    return rows;
}

QDateTime SqlToolDatabase::lastPass(const QString& chave, const QString& idServ)
{
    QDateTime last;
    run(Kind::Read, [&](DatabaseConnection& connection) {
        SqlQuery QryUltLog(connection);
        QryUltLog.setStatement(Statement::LastStoreOfCollector);
        QryUltLog.bindText(QStringLiteral("xChave"), chave);
        QryUltLog.bindText(QStringLiteral("xIDServ"), idServ);
        QryUltLog.open();
        // One row per collector, kept so by the database; the latest should a second ever appear.
        last = QDateTime();
        for (; !QryUltLog.atEnd(); QryUltLog.next()) {
            if (QryUltLog.isNull(QStringLiteral("DataLOG")))
                continue;
            const QDateTime at = QryUltLog.dateTime(QStringLiteral("DataLOG"));
            if (!last.isValid() || at > last)
                last = at;
        }
    });
    return last;
}

} // namespace vorenta
