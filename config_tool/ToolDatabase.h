#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <stdexcept>

namespace vorenta {

/// The two settings the provider's web server may change: the database server and the
/// database name. Everything else about the connection comes from Coletor.ini [BANCO].
struct ServerSettings {
    QString Servidor;
    QString BancoDados;
};

/// One row of the collector's RangeIP list as the range editor shows it.
struct RangeRow {
    qint64 Cod = 0;
    QString IPIni;
    QString IPFin;
};

/// One device of the collector as the provider's device list holds it (ListaEquipCli).
struct DeviceRow {
    QString NSerie;
    QString Fabricante;
    QString Modelo;
    QString IP;
    QString LocalInstal;
    QDateTime UltLog; ///< the device's last stored reading; invalid when the column is null
};

/// A statement or connection failure; the message is Portuguese, names the database and ends
/// with the driver's text.
class ToolDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The configuration tool's statements against the central database (its connection,
/// the password query, the range list, insert and delete). Every value is bound, none pasted.
/// Every operation except defaults() throws ToolDatabaseError with the driver's text.
class ToolDatabase {
public:
    virtual ~ToolDatabase() = default;

    /// Server and database used when no settings file is at hand.
    virtual ServerSettings defaults() const = 0;

    /// Closes the connection and opens it afresh on the given server and database.
    virtual void connect(const ServerSettings& settings) = 0;

    /// Ed5 of the first Parametros row of `chave`; empty for a null column or no row.
    virtual QString passwordOf(const QString& chave) = 0;

    /// The collector's RangeIP rows in Cod order.
    virtual QList<RangeRow> listRanges(const QString& chave, const QString& idServ) = 0;

    /// Adds one RangeIP row; the database assigns its Cod.
    virtual void insertRange(const QString& chave, const QString& idServ, const QString& ipIni,
                             const QString& ipFin) = 0;

    /// Deletes the RangeIP row with this Cod.
    virtual void deleteRange(qint64 cod) = 0;

    /// The collector's ListaEquipCli rows.
    virtual QList<DeviceRow> listDevices(const QString& chave, const QString& idServ) = 0;

    /// DataLOG of the collector's UltLog row: the end of its last pass that stored a reading;
    /// invalid when there is none.
    virtual QDateTime lastPass(const QString& chave, const QString& idServ) = 0;

    /// The database the tool edits, for the window and the messages: "vorenta em 127.0.0.1:5432",
    /// or the embedded file's path.
    virtual QString describe() const = 0;
};

} // namespace vorenta
