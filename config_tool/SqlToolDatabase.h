#pragma once

#include "common/database/DatabaseSettings.h"
#include "config_tool/ToolDatabase.h"

#include <functional>
#include <memory>

namespace vorenta {

class DatabaseConnection;

/// The tool's statements on the shared database layer. The back end, port, user and password
/// are the collector's own ([BANCO] of Coletor.ini); on a server back end the downloaded server
/// settings replace its server and database name. On the embedded database they are not used:
/// the tool opens the collector's own file, whatever the provider's settings name.
///
/// The tool recovers by itself: every operation first opens the connection again when it is
/// closed or found broken (a server that restarted told it so), and a read that finds the
/// connection broken half-way is tried once more on a fresh one. A write is not: it may have
/// reached the server. Everything runs on the GUI thread, which owns the connection.
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
    QList<DeviceRow> listDevices(const QString& chave, const QString& idServ) override;
    QDateTime lastPass(const QString& chave, const QString& idServ) override;
    QString describe() const override;

    /// The settings of the last connect(), for messages and tests.
    const DatabaseSettings& current() const { return m_current; }

private:
    enum class Kind { Read, Write };
    /// Runs `statement` on a working connection, turning the layer's failures into
    /// ToolDatabaseError with the Portuguese text.
    void run(Kind kind, const std::function<void(DatabaseConnection&)>& statement);
    /// The connection, opened again when it is closed or broken.
    DatabaseConnection& usableConnection();
    [[noreturn]] void throwConnectFailure(const std::exception& error) const;

    DatabaseSettings m_base;
    DatabaseSettings m_current;
    QString m_programFolder;
    std::unique_ptr<DatabaseConnection> m_connection;
};

} // namespace vorenta
