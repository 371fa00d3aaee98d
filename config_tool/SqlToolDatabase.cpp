#include "SqlToolDatabase.h"

#include "common/TextRules.h"
#include "common/database/DatabaseConnection.h"
#include "common/database/DatabaseError.h"

#include "common/database/SqlQuery.h"

#include <QDir>

namespace vorenta {

namespace {

// The shared layer's failures reach the forms as the tool's own error type, text unchanged.
template <class Action> auto translated(Action&& action)
{
    try {
        return action();
    } catch (const DatabaseError& error) {
        throw ToolDatabaseError(error.what());
    }
}

} // namespace

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
    translated([&] { m_connection->open(); });
}

DatabaseConnection& SqlToolDatabase::connection() const
{
    if (!m_connection || !m_connection->isOpen())
        throw ToolDatabaseError("sem conexão com o banco de dados");
    return *m_connection;
}

QString SqlToolDatabase::passwordOf(const QString& chave)
{
    SqlQuery QryPadrao(connection());
    return translated([&] {
        QryPadrao.clearStatement();
        QryPadrao.addLine(QStringLiteral("Select Ed5 from  parametros where chave=:xChave"));
        QryPadrao.bindText(QStringLiteral("xChave"), chave);
        QryPadrao.open();
        return QryPadrao.hasRows() ? QryPadrao.text(QStringLiteral("Ed5")) : QString();
    });
}

QList<RangeRow> SqlToolDatabase::listRanges(const QString& chave, const QString& idServ)
{
    SqlQuery QryPadrao(connection());
    return translated([&] {
        QryPadrao.clearStatement();
        QryPadrao.addLine(QStringLiteral("Select * from  RangeIP"));
        QryPadrao.addLine(QStringLiteral("where CHAVE =:xCHAVE"));
        QryPadrao.addLine(QStringLiteral("and IDSERV=:xIDSERV"));
        QryPadrao.addLine(QStringLiteral("Order by cod"));
        QryPadrao.bindText(QStringLiteral("xCHAVE"), chave);
        QryPadrao.bindText(QStringLiteral("xIDSERV"), idServ);
        QryPadrao.open();
        QList<RangeRow> rows;
        for (; !QryPadrao.atEnd(); QryPadrao.next())
            rows.append({QryPadrao.integer(QStringLiteral("Cod")), QryPadrao.text(QStringLiteral("IPINI")),
                         QryPadrao.text(QStringLiteral("IPFIN"))});
        return rows;
    });
}

void SqlToolDatabase::insertRange(const QString& chave, const QString& idServ, const QString& ipIni,
                                  const QString& ipFin)
{
    SqlQuery QryPadrao(connection());
    translated([&] {
        QryPadrao.clearStatement();
        QryPadrao.addLine(QStringLiteral("Insert into RangeIP (CHAVE,IDSERV,IPINI,IPFIN)"));
        QryPadrao.addLine(QStringLiteral(" Values (:xCHAVE,:xIDSERV,:xIPINI,:xIPFIN)"));
        QryPadrao.bindText(QStringLiteral("xCHAVE"), chave);
        QryPadrao.bindText(QStringLiteral("xIDSERV"), idServ);
        QryPadrao.bindText(QStringLiteral("xIPINI"), ipIni);
        QryPadrao.bindText(QStringLiteral("xIPFIN"), ipFin);
        QryPadrao.execute();
    });
}

void SqlToolDatabase::deleteRange(qint64 cod)
{
    SqlQuery QryAux(connection());
    translated([&] {
        QryAux.clearStatement();
        QryAux.addLine(QStringLiteral("Delete from  RangeIP"));
        QryAux.addLine(QStringLiteral("where Cod =:xCod"));
        QryAux.bindInteger(QStringLiteral("xCod"), cod);
        QryAux.execute();
    });
}

} // namespace vorenta
