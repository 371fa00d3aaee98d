#include "StoreReading.h"

#include "collector/database/TDTM.h"
#include "common/TextRules.h"
#include "common/database/SqlQuery.h"

#include <exception>

namespace vorenta {

namespace {

constexpr int kStatusLength = 200;
constexpr int kFalhaLength = 50;
constexpr int kIdentityDateDefaultDays = 300;
constexpr int kInoperativeDays = 3;
const QString kDisplayDateTime = QStringLiteral("dd/MM/yyyy HH:mm:ss");

/// The store's one place where failures are swallowed: runs `step` and tells whether it ran to
/// its end. Each guard the store has (the whole call, the rewrites, Ed1/Ed4, the server time)
/// goes through here, so what is swallowed can be read off the calls to it.
template <typename Step> bool Guarded(Step&& step) noexcept
{
    try {
        step();
        return true;
    } catch (const std::exception&) {
        return false;
    } catch (...) {
        return false;
    }
}

/// A Parametros column read as an integer; 1 when it is not one.
int ParameterInteger(const SqlQuery& query, const QString& column)
{
    int value = 1;
    Guarded([&] {
        bool ok = false;
        const int number = Trim(query.text(column)).toInt(&ok);
        if (ok)
            value = number;
    });
    return value;
}

/// InstallationLocation trimmed, a blank, the device's location (the ListaEquipCli and UltLog form).
QString LocalInstal(const CollectorIdentity& identity, const DeviceReading& reading)
{
    return Trim(identity.InstallationLocation) + u' ' + reading.DeviceLocation;
}

/// Closes the store's queries when a store ends, however it ends: a result left open would hold
/// a read lock on the embedded database and block the configuration tool's writes.
class QueriesClosed {
public:
    explicit QueriesClosed(TDTM& dm) : m_dm(dm) {}
    ~QueriesClosed()
    {
        for (SqlQuery* query :
             {&m_dm.QryParametros, &m_dm.QryPadrao, &m_dm.QryDadosOid, &m_dm.QryAlimentaFalha, &m_dm.QryAux})
            query->close();
    }
    QueriesClosed(const QueriesClosed&) = delete;
    QueriesClosed& operator=(const QueriesClosed&) = delete;

private:
    TDTM& m_dm;
};

} // namespace

QString FixStatusText(const QString& text)
{
    static const QList<QPair<QChar, QChar>> fixes{
        {u'Õ', u'í'}, {u'Ã', u'á'}, {u'µ', u'ç'}, {u'Æ', u'ó'}, {u'Ä', u'á'},
    };
    QString fixed = text;
    for (const auto& [found, written] : fixes)
        fixed.replace(found, written);
    return fixed;
}

QDateTime IdentityDateValue(const QString& IdentityDate, const QDate& today)
{
    const QString text = Trim(IdentityDate);
    QDate date = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    if (!date.isValid())
        date = QDate::fromString(text, QStringLiteral("d/M/yyyy"));
    if (!date.isValid())
        date = today.addDays(kIdentityDateDefaultDays);
    return QDateTime(date, QTime(0, 0, 0));
}

QList<StoreColumn> DadosOidColumns(const DeviceReading& r, const CollectorIdentity& identity,
                                   const CollectorSettings& s, const QDateTime& ServerNow, const QDate& today)
{
    return {
        {QStringLiteral("IDServ"), Trim(identity.IDServ)},
        {QStringLiteral("Chave"), Trim(identity.Chave)},
        {QStringLiteral("LocalInstal"), Trim(identity.InstallationLocation + u' ' + r.DeviceLocation)},
        {QStringLiteral("DataExp"), IdentityDateValue(identity.IdentityDate, today)},
        {QStringLiteral("DataLog"), ServerNow},
        {QStringLiteral("IP"), Trim(r.IP)},
        {QStringLiteral("MacAddress"), r.MacAddress}, // as read
        {QStringLiteral("NSerie"), Trim(r.NSerie)},
        {QStringLiteral("Modelo"), Trim(r.Modelo)},
        {QStringLiteral("Fabricante"), Trim(r.Fabricante)},
        {QStringLiteral("ContGeral"), Trim(r.ContGeral)},
        {QStringLiteral("ContColor"), Trim(r.ContColor)},
        {QStringLiteral("ContPb"), Trim(r.ContPb)},
        {QStringLiteral("ContScan"), Trim(r.ContScan)},
        {QStringLiteral("StatusEquip"), Trim(FixStatusText(r.StatusEquip)).left(kStatusLength)},
        {QStringLiteral("Falha"), Trim(r.Falha).left(kFalhaLength)},
        {QStringLiteral("Computador"), Trim(s.ComputerName)},
        {QStringLiteral("IpInternet"), QStringLiteral("")},
        {QStringLiteral("tel1"), Trim(s.Telefone1)},
        {QStringLiteral("tel2"), Trim(s.Telefone2)},
        {QStringLiteral("tel3"), Trim(s.Telefone3)},
        {QStringLiteral("email1"), Trim(s.email1)},
        {QStringLiteral("email2"), Trim(s.email2)},
        {QStringLiteral("email3"), Trim(s.email3)},
        {QStringLiteral("contato1"), Trim(s.Contato1)},
        {QStringLiteral("contato2"), Trim(s.Contato2)},
        {QStringLiteral("contato3"), Trim(s.Contato3)},
        {QStringLiteral("inf1"), Trim(r.inf1)},
        {QStringLiteral("inf2"), Trim(r.inf2)},
        {QStringLiteral("inf3"), Trim(r.inf3)},
        {QStringLiteral("inf4"), Trim(r.inf4)},
        {QStringLiteral("inf5"), Trim(r.inf5)},
        {QStringLiteral("ContA3"), Trim(r.ContA3)},
        {QStringLiteral("ContA4"), Trim(r.ContA4)},
        {QStringLiteral("ContJams"), Trim(r.ContJams)},
        {QStringLiteral("NivelB"), Trim(r.NivelB)},
        {QStringLiteral("NivelY"), Trim(r.NivelY)},
        {QStringLiteral("NivelC"), Trim(r.NivelC)},
        {QStringLiteral("NivelM"), Trim(r.NivelM)},
        {QStringLiteral("SupriB"), Trim(r.SupriB)},
        {QStringLiteral("SupriY"), Trim(r.SupriY)},
        {QStringLiteral("SupriC"), Trim(r.SupriC)},
        {QStringLiteral("SupriM"), Trim(r.SupriM)},
        {QStringLiteral("DurabB"), Trim(r.DurabB)},
        {QStringLiteral("DurabY"), Trim(r.DurabY)},
        {QStringLiteral("DurabC"), Trim(r.DurabC)},
        {QStringLiteral("DurabM"), Trim(r.DurabM)},
        {QStringLiteral("Versao"), Trim(s.VersionText)},
        {QStringLiteral("CodEmpresa"), Trim(s.CodEmpresa)},
    };
}

QList<QPair<QString, QString>> DadosOidDisplayColumns(const DeviceReading& reading,
                                                      const CollectorIdentity& identity,
                                                      const CollectorSettings& settings,
                                                      const QDateTime& ServerNow, const QDate& today)
{
    QList<QPair<QString, QString>> shown;
    for (const StoreColumn& c : DadosOidColumns(reading, identity, settings, ServerNow, today)) {
        const bool isDate = c.value.metaType() == QMetaType::fromType<QDateTime>();
        shown.append(
            {c.column, isDate ? c.value.toDateTime().toString(kDisplayDateTime) : c.value.toString()});
    }
    return shown;
}

DatabaseReadingStore::DatabaseReadingStore(TDTM& dataModule, const CollectorSettings& settings, Clock clock)
    : m_dm(dataModule), m_settings(settings), m_clock(std::move(clock))
{
}

void DatabaseReadingStore::StoreReading(const DeviceReading& reading)
{
    // A failure no inner guard catches ends the call silently; the walk goes on.
    Guarded([&] { store(reading); });
}

void DatabaseReadingStore::open(SqlQuery& query)
{
    ++m_statements;
    query.open();
}

void DatabaseReadingStore::execute(SqlQuery& query)
{
    ++m_statements;
    query.execute();
}

void DatabaseReadingStore::store(const DeviceReading& r)
{
    const CollectorIdentity& id = m_dm.identity();
    const Dialect& dialect = m_dm.dialect();
    LogSink& log = m_dm.log();

    const QueriesClosed closed(m_dm);

    // 1. Connect; a failure is already logged.
    if (!m_dm.ConnectDatabase())
        return;

    // 2.
    bool NotifyFailures = false;
    const QDateTime localNow = m_clock();

    // 3. Parameters.
    SqlQuery& parametros = m_dm.QryParametros;
    const bool parametersRead = Guarded([&] {
        parametros.clearStatement();
        parametros.addLine(QStringLiteral("Select * from Parametros"));
        parametros.addLine(QStringLiteral("where chave=:xChave"));
        parametros.bindText(QStringLiteral("xChave"), id.Chave);
        open(parametros);
    });
    if (!parametersRead) {
        log.WriteLog(QStringLiteral("Erro ao Buscar Parametros"));
        return; // reading ck1 fails: nothing is stored
    }

    // 4. ck1, unguarded: a missing column ends the call. A customer without a Parametros row
    // has no alerts.
    int FailureThreshold = 1;
    int FailureWindowDays = 1;
    const QString ck1 = parametros.hasRows() ? parametros.text(QStringLiteral("ck1")) : QString();
    if (ck1 == QStringLiteral("S")) {
        NotifyFailures = true;
        FailureThreshold = ParameterInteger(parametros, QStringLiteral("Ed1"));
        FailureWindowDays = ParameterInteger(parametros, QStringLiteral("Ed4"));
    }
    parametros.close();

    // 5. Server time; the query failing ends the call, an unreadable value gives the local clock.
    SqlQuery& padrao = m_dm.QryPadrao;
    padrao.clearStatement();
    padrao.addLine(dialect.currentTimeStatement());
    open(padrao);
    QDateTime ServerNow;
    Guarded([&] { ServerNow = padrao.dateTime(QStringLiteral("DataeHoraAtual")); });
    if (!ServerNow.isValid())
        ServerNow = localNow;

    // 6. Collector exclusion. The collector keeps running: every device logs the exclusion.
    padrao.clearStatement();
    padrao.addLine(QStringLiteral("select Idserv from exclusao"));
    padrao.addLine(QStringLiteral("where Idserv=:xIDServ"));
    padrao.bindText(QStringLiteral("xIDServ"), id.IDServ);
    open(padrao);
    if (padrao.hasRows()) {
        log.WriteLog(QStringLiteral("IdServiço na lista de Exceções, Dados Não Coletados. IdServ: ") +
                     id.IDServ);
        return;
    }

    // 7. Device exclusion, by the serial number as the device reported it.
    padrao.clearStatement();
    padrao.addLine(QStringLiteral("select nSerie from exclusao"));
    padrao.addLine(QStringLiteral("where chave=:xChave"));
    padrao.addLine(QStringLiteral("and nSerie=:xNSerie"));
    padrao.bindText(QStringLiteral("xChave"), id.Chave);
    padrao.bindText(QStringLiteral("xNSerie"), r.NSerie);
    open(padrao);
    if (padrao.hasRows()) {
        log.WriteLog(QStringLiteral("Equipamento na lista de Exceções, Dados Não Coletados. Série: ") +
                     r.NSerie + QStringLiteral(" Modelo: ") + r.Modelo + u'-' + r.Fabricante);
        return;
    }
    padrao.close();

    SqlQuery& dadosOid = m_dm.QryDadosOid;
    const QString nSerie = Trim(r.NSerie);

    // 8. Reading row, its own guard (silent).
    Guarded([&] {
        dadosOid.clearStatement();
        dadosOid.addLine(QStringLiteral(
            "Insert Into DadosOid (IDServ,Chave,LocalInstal,DataExp,DataLog,IP,MacAddress,NSerie,Modelo,"
            "Fabricante,ContGeral,ContColor,ContPb,ContScan,StatusEquip,Falha,Computador,IpInternet,tel1,"
            "tel2,"
            "tel3,email1,email2,email3,contato1,contato2,contato3"));
        dadosOid.addLine(QStringLiteral(",inf1,inf2,inf3,inf4,inf5,ContA3,ContA4,ContJams,NivelB,NivelY,"
                                        "NivelC,NivelM,SupriB,SupriY,SupriC,"
                                        "SupriM,DurabB,DurabY,DurabC,DurabM,Versao,CodEmpresa)"));
        dadosOid.addLine(QStringLiteral(
            "values (:xIDServ,:xChave,:xLocalInstal,:xDataExp,:xDataLog,:xIP,:xMacAddress,:xNSerie,:xModelo,"
            ":xFabricante,:xContGeral,:xContColor,:xContPb,:xContScan,:xStatusEquip,:xFalha,:xComputador,"
            ":xIpinternet"));
        dadosOid.addLine(QStringLiteral(
            ",:xtel1,:xtel2,:xtel3,:xemail1,:xemail2,:xemail3,:xcontato1,:xcontato2,:xcontato3,:xinf1,:xinf2,"
            ":xinf3,:xinf4,:xinf5,:xContA3,:xContA4,:xContJams,:xNivelB,:xNivelY,:xNivelC,:xNivelM,:xSupriB,"
            ":xSupriY,:xSupriC,:xSupriM"));
        dadosOid.addLine(QStringLiteral(",:xDurabB,:xDurabY,:xDurabC,:xDurabM,:xVersao,:xCodEmpresa)"));
        for (const StoreColumn& c : DadosOidColumns(r, id, m_settings, ServerNow, localNow.date())) {
            const QString name = QStringLiteral("x") + c.column;
            if (c.value.metaType() == QMetaType::fromType<QDateTime>())
                dadosOid.bindDateTime(name, c.value.toDateTime());
            else
                dadosOid.bindText(name, c.value.toString());
        }
        execute(dadosOid);
    });

    // 9. Device list, its own guard (silent; a failed delete skips the insert).
    Guarded([&] {
        dadosOid.clearStatement();
        dadosOid.addLine(QStringLiteral("Delete from ListaEquipCli"));
        dadosOid.addLine(QStringLiteral("where nserie=:xnSerie"));
        dadosOid.bindText(QStringLiteral("xnSerie"), nSerie);
        execute(dadosOid);
        dadosOid.clearStatement();
        dadosOid.addLine(QStringLiteral(
            "Insert Into ListaEquipCli "
            "(Chave,LocalInstal,nSerie,Fabricante,Modelo,IDServ,UltLog,CodEmpresa,IP,"
            "Versao) values "
            "(:xChave,:xLocalInstal,:xnSerie,:xFabricante,:xModelo,:xIDServ,:xUltLog,:xCodEmpresa,"
            ":xIP,:xVersao)"));
        dadosOid.bindText(QStringLiteral("xChave"), Trim(id.Chave));
        dadosOid.bindText(QStringLiteral("xLocalInstal"), LocalInstal(id, r));
        dadosOid.bindText(QStringLiteral("xnSerie"), nSerie);
        dadosOid.bindText(QStringLiteral("xFabricante"), Trim(r.Fabricante));
        dadosOid.bindText(QStringLiteral("xModelo"), Trim(r.Modelo));
        dadosOid.bindText(QStringLiteral("xIDServ"), Trim(id.IDServ));
        dadosOid.bindDateTime(QStringLiteral("xUltLog"), ServerNow);
        dadosOid.bindText(QStringLiteral("xCodEmpresa"), Trim(m_settings.CodEmpresa));
        dadosOid.bindText(QStringLiteral("xIP"), Trim(r.IP));
        dadosOid.bindText(QStringLiteral("xVersao"), Trim(m_settings.VersionText));
        execute(dadosOid);
    });

    // 10. Collector's last store, its own guard (silent).
    Guarded([&] {
        dadosOid.clearStatement();
        dadosOid.addLine(QStringLiteral("Delete from UltLog "));
        dadosOid.addLine(QStringLiteral("where IDServ=:xIDServ"));
        dadosOid.addLine(QStringLiteral(" and Chave=:xChave"));
        dadosOid.bindText(QStringLiteral("xIDServ"), Trim(id.IDServ));
        dadosOid.bindText(QStringLiteral("xChave"), Trim(id.Chave));
        execute(dadosOid);
        dadosOid.clearStatement();
        dadosOid.addLine(QStringLiteral("Insert Into UltLog (IDServ,Chave,DataLOG,LocalInstal) values "
                                        "(:xIDServ,:xChave,:xDataLOG,:xLocalInstal)"));
        dadosOid.bindText(QStringLiteral("xIDServ"), Trim(id.IDServ));
        dadosOid.bindText(QStringLiteral("xChave"), Trim(id.Chave));
        dadosOid.bindDateTime(QStringLiteral("xDataLOG"), ServerNow);
        dadosOid.bindText(QStringLiteral("xLocalInstal"), LocalInstal(id, r));
        execute(dadosOid);
    });

    // 11. Failure alert (no guard of its own).
    if (NotifyFailures)
        raiseFailureAlert(r, FailureThreshold, FailureWindowDays, ServerNow);

    // 12. Inoperative sweep (no guard of its own).
    sweepInoperative(ServerNow);

    // 13.
    log.WriteLog(QStringLiteral("Registro Concluído de Dados de Equipamento ") + r.IP + u' ' + r.Fabricante +
                 u' ' + r.Modelo);
}

void DatabaseReadingStore::raiseFailureAlert(const DeviceReading& r, int FailureThreshold,
                                             int FailureWindowDays, const QDateTime& ServerNow)
{
    const CollectorIdentity& id = m_dm.identity();
    const Dialect& dialect = m_dm.dialect();
    SqlQuery& padrao = m_dm.QryPadrao;
    SqlQuery& aux = m_dm.QryAux;
    const QString nSerie = Trim(r.NSerie);

    // 11.1 Rows still null take part in the count below ("<>'S'" never holds for null).
    padrao.clearStatement();
    padrao.addLine(QStringLiteral("Update DadosOid set Notificado=''"));
    padrao.addLine(QStringLiteral("where (Notificado is null)"));
    padrao.addLine(QStringLiteral("and (NSerie=:xNSerie)"));
    padrao.bindText(QStringLiteral("xNSerie"), nSerie);
    execute(padrao);

    // 11.2 The window on the server's clock, the clock DataLog was written with.
    const QDateTime windowStart = ServerNow.addDays(-FailureWindowDays);
    const QDateTime windowEnd = ServerNow;

    // 11.3
    SqlQuery& falhas = m_dm.QryAlimentaFalha;
    falhas.clearStatement();
    falhas.addLine(QStringLiteral("select nserie,count(falha)as TotalFalhas from DadosOid"));
    falhas.addLine(QStringLiteral("where (IDServ=:xIDServ)"));
    falhas.addLine(QStringLiteral("and (falha<>'2-TUDO OK')"));
    falhas.addLine(QStringLiteral("and (DataLog >=:xWindowStart and Datalog<=:xWindowEnd)"));
    falhas.addLine(QStringLiteral("and (Notificado<>'S')"));
    falhas.addLine(QStringLiteral("and (NSerie=:xNSerie)"));
    falhas.addLine(QStringLiteral("group by nserie"));
    falhas.bindText(QStringLiteral("xIDServ"), id.IDServ);
    falhas.bindDateTime(QStringLiteral("xWindowStart"), windowStart);
    falhas.bindDateTime(QStringLiteral("xWindowEnd"), windowEnd);
    falhas.bindText(QStringLiteral("xNSerie"), nSerie);
    open(falhas);

    // 11.4
    const qint64 TotalFalhas = falhas.hasRows() ? falhas.integer(QStringLiteral("TotalFalhas")) : 0;
    falhas.close();
    if (TotalFalhas < FailureThreshold)
        return;

    // 11.5 The device's newest failure reading for this customer.
    padrao.clearStatement();
    padrao.addLine(
        QStringLiteral("select ") + dialect.topOne() +
        QStringLiteral("cod,Datalog,LocalInstal,NSerie,Fabricante,Modelo,ContGeral,StatusEquip,Falha,"
                       "IdServ from DadosOid"));
    padrao.addLine(QStringLiteral("where chave=:xChave"));
    padrao.addLine(QStringLiteral("and (falha<>'2-TUDO OK')"));
    padrao.addLine(QStringLiteral("and NSerie=:xNSerie"));
    padrao.addLine(QStringLiteral("Order by cod desc"));
    padrao.addLine(dialect.limitOne());
    padrao.bindText(QStringLiteral("xChave"), id.Chave);
    padrao.bindText(QStringLiteral("xNSerie"), nSerie);
    open(padrao);
    const qint64 cod = padrao.integer(QStringLiteral("cod"));
    const QString readingIdServ = padrao.text(QStringLiteral("IdServ"));
    padrao.close();

    // 11.6 One alert per reading.
    aux.clearStatement();
    aux.addLine(QStringLiteral("Select IDDadosOid from alerta"));
    aux.addLine(QStringLiteral("where chave=:xChave"));
    aux.addLine(QStringLiteral("and IDDadosOid=:xIDDadosOid"));
    aux.bindText(QStringLiteral("xChave"), id.Chave);
    aux.bindInteger(QStringLiteral("xIDDadosOid"), cod);
    open(aux);
    if (aux.hasRows())
        return;

    // 11.7
    aux.clearStatement();
    aux.addLine(QStringLiteral("Insert into alerta(Data,Chave,TipoAlerta,Situacao,IDDadosOid,IDSERV)"));
    aux.addLine(QStringLiteral("Values(:xData,:xChave,:xTipoAlerta,:xSituacao,:xIDDadosOid,:XIDSERV)"));
    aux.bindDateTime(QStringLiteral("xData"), ServerNow);
    aux.bindText(QStringLiteral("xChave"), id.Chave);
    aux.bindText(QStringLiteral("xTipoAlerta"), QStringLiteral("FALHA"));
    aux.bindText(QStringLiteral("xSituacao"), QStringLiteral("Em Aberto"));
    aux.bindInteger(QStringLiteral("xIDDadosOid"), cod);
    aux.bindText(QStringLiteral("XIDSERV"), readingIdServ);
    execute(aux);

    // 11.8
    padrao.clearStatement();
    padrao.addLine(QStringLiteral("Update DadosOid set Notificado='S'"));
    padrao.addLine(QStringLiteral("where (IDServ=:xIDServ)"));
    padrao.addLine(QStringLiteral("and (falha<>'2-TUDO OK')"));
    padrao.addLine(QStringLiteral("and (NSerie=:xNSerie)"));
    padrao.bindText(QStringLiteral("xIDServ"), id.IDServ);
    padrao.bindText(QStringLiteral("xNSerie"), nSerie);
    execute(padrao);

    // 11.9
    m_dm.log().WriteLog(QStringLiteral("Registro de alerta..."));
}

void DatabaseReadingStore::sweepInoperative(const QDateTime& ServerNow)
{
    const Dialect& dialect = m_dm.dialect();
    SqlQuery& dadosOid = m_dm.QryDadosOid;
    SqlQuery& padrao = m_dm.QryPadrao;
    SqlQuery& aux = m_dm.QryAux;

    // 12. Devices of every customer not read for three days and not yet reported. The list is
    // taken whole before the rows are worked on: the updates below change the table it comes
    // from, and SQLite gives no promise about a result walked while its table changes.
    dadosOid.clearStatement();
    dadosOid.addLine(QStringLiteral("Select * from ListaEquipCli"));
    dadosOid.addLine(QStringLiteral("where (UltLog<:xSilentSince)"));
    dadosOid.addLine(QStringLiteral("and((ultNotif is null) or (") +
                     dialect.isEmptyText(QStringLiteral("UltNotif")) + QStringLiteral("))"));
    dadosOid.addLine(QStringLiteral("Order by UltLog desc"));
    dadosOid.bindDateTime(QStringLiteral("xSilentSince"), ServerNow.addDays(-kInoperativeDays));
    open(dadosOid);
    QList<QPair<QString, QString>> silent; // Chave, nSerie
    for (; !dadosOid.atEnd(); dadosOid.next())
        silent.append({dadosOid.text(QStringLiteral("Chave")), dadosOid.text(QStringLiteral("nSerie"))});
    dadosOid.close();

    for (const auto& [chave, nSerie] : silent) {
        // 12.1 Excluded devices are left alone.
        padrao.clearStatement();
        padrao.addLine(QStringLiteral("select nSerie from exclusao"));
        padrao.addLine(QStringLiteral("where (chave=:xChave)"));
        padrao.addLine(QStringLiteral("and (nSerie=:xNSerie)"));
        padrao.bindText(QStringLiteral("xChave"), chave);
        padrao.bindText(QStringLiteral("xNSerie"), nSerie);
        open(padrao);
        if (padrao.hasRows())
            continue;

        // 12.2 The device's newest reading, whoever stored it.
        padrao.clearStatement();
        padrao.addLine(QStringLiteral("select ") + dialect.topOne() + QStringLiteral("* from DadosOid"));
        padrao.addLine(QStringLiteral("where nSerie=:xNSerie"));
        padrao.addLine(QStringLiteral("Order by cod desc"));
        padrao.addLine(dialect.limitOne());
        padrao.bindText(QStringLiteral("xNSerie"), nSerie);
        open(padrao);
        if (!padrao.hasRows())
            continue;
        const qint64 cod = padrao.integer(QStringLiteral("Cod"));
        padrao.close();

        // 12.3
        aux.clearStatement();
        aux.addLine(QStringLiteral("Delete from Alerta"));
        aux.addLine(QStringLiteral("where IDDadosOid=:xIDDadosOid"));
        aux.addLine(QStringLiteral("and Situacao='Em Aberto'"));
        aux.bindInteger(QStringLiteral("xIDDadosOid"), cod);
        execute(aux);

        // 12.4
        aux.clearStatement();
        aux.addLine(QStringLiteral("Update DadosOid set falha='5-Inoperante'"));
        aux.addLine(QStringLiteral("where Cod=:xCod"));
        aux.bindInteger(QStringLiteral("xCod"), cod);
        execute(aux);

        // 12.5
        aux.clearStatement();
        aux.addLine(QStringLiteral("Insert into alerta(Data,Chave,TipoAlerta,Situacao,IDDadosOid)"));
        aux.addLine(QStringLiteral("Values(:xData,:xChave,:xTipoAlerta,:xSituacao,:xIDDadosOid)"));
        aux.bindDateTime(QStringLiteral("xData"), ServerNow);
        aux.bindText(QStringLiteral("xChave"), chave);
        aux.bindText(QStringLiteral("xTipoAlerta"), QStringLiteral("FALHA"));
        aux.bindText(QStringLiteral("xSituacao"), QStringLiteral("Em Aberto"));
        aux.bindInteger(QStringLiteral("xIDDadosOid"), cod);
        execute(aux);

        // 12.6 Not swept again until a new reading rewrites the row.
        aux.clearStatement();
        aux.addLine(QStringLiteral("Update ListaEquipCli set ultNotif=:xUltNotif"));
        aux.addLine(QStringLiteral("where (nSerie=:xNSerie)"));
        aux.bindDateTime(QStringLiteral("xUltNotif"), ServerNow);
        aux.bindText(QStringLiteral("xNSerie"), nSerie);
        execute(aux);
    }
}

} // namespace vorenta
