#pragma once

#include "common/database/DatabaseSettings.h"
#include "config_tool/ToolDatabase.h"

#include <memory>

namespace vorenta {

class DatabaseConnection;

/// The tool's statements on the shared database layer. The back end, port, user and password
/// are the collector's own ([BANCO] of Coletor.ini); on a server back end the downloaded server
/// settings replace its server and database name. On the embedded database they are not used:
/// the tool opens the collector's own file, whatever the provider's settings name.
class SqlToolDatabase final : public ToolDatabase {
public:
    /// Connect and command time-outs of the tool's connection, in seconds.
    static constexpr int kTimeoutSeconds = 70;

    /// `base` is the collector's [BANCO]; `programFolder` anchors a relative SQLite file name.
    SqlToolDatabase(DatabaseSettings base, QString programFolder);
    ~SqlToolDatabase() override;

    ServerSettings defaults() const override;
    void connect(const ServerSettings& settings) override;
    QString passwordOf(const QString& chave) override;
    QList<RangeRow> listRanges(const QString& chave, const QString& idServ) override;
    void insertRange(const QString& chave, const QString& idServ, const QString& ipIni,
                     const QString& ipFin) override;
    void deleteRange(qint64 cod) override;

    /// The settings of the last connect(), for messages and tests.
    const DatabaseSettings& current() const { return m_current; }

private:
    /// The open connection; throws ToolDatabaseError when start-up could not open it.
    DatabaseConnection& connection() const;

    DatabaseSettings m_base;
    DatabaseSettings m_current;
    QString m_programFolder;
    std::unique_ptr<DatabaseConnection> m_connection;
};

} // namespace vorenta
