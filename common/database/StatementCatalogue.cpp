#include "StatementCatalogue.h"

#include "common/database/Dialect.h"

#include <QRegularExpression>

#include <variant>

namespace vorenta {

namespace {

/// A statement that writes one row of a keyed table: Dialect::upsert or insertUnlessPresent.
struct Upsert {
    Dialect::KeyedRow row;
};
struct InsertUnlessPresent {
    Dialect::KeyedRow row;
};

struct Entry {
    Statement statement;
    const char* name;
    std::variant<const char*, Upsert, InsertUnlessPresent> text;
};

// The DadosOid columns a reading is stored with, as DadosOidColumns gives their values.
#define READING_COLUMNS                                                                          \
    "IDServ,Chave,LocalInstal,DataExp,DataLog,IP,MacAddress,NSerie,Modelo,Fabricante,ContGeral,"   \
    "ContColor,ContPb,ContScan,StatusEquip,Falha,Computador,IpInternet,tel1,tel2,tel3,email1,"     \
    "email2,email3,contato1,contato2,contato3,inf1,inf2,inf3,inf4,inf5,ContA3,ContA4,ContJams,"    \
    "NivelB,NivelY,NivelC,NivelM,SupriB,SupriY,SupriC,SupriM,DurabB,DurabY,DurabC,DurabM,Versao,"  \
    "CodEmpresa"
#define READING_VALUES                                                                           \
    ":xIDServ,:xChave,:xLocalInstal,:xDataExp,:xDataLog,:xIP,:xMacAddress,:xNSerie,:xModelo,"      \
    ":xFabricante,:xContGeral,:xContColor,:xContPb,:xContScan,:xStatusEquip,:xFalha,:xComputador," \
    ":xIpInternet,:xtel1,:xtel2,:xtel3,:xemail1,:xemail2,:xemail3,:xcontato1,:xcontato2,"          \
    ":xcontato3,:xinf1,:xinf2,:xinf3,:xinf4,:xinf5,:xContA3,:xContA4,:xContJams,:xNivelB,"         \
    ":xNivelY,:xNivelC,:xNivelM,:xSupriB,:xSupriY,:xSupriC,:xSupriM,:xDurabB,:xDurabY,:xDurabC,"   \
    ":xDurabM,:xVersao,:xCodEmpresa"

// The columns the reports print.
#define PAGES_COLUMNS                                                                            \
    "Chave, NSerie, Fabricante, Modelo, Mes, LeituraInicial, LeituraFinal, ContGeralFinal,\n"      \
    "PaginasGeral, PaginasColor, PaginasPb, PaginasScan, PaginasA3, PaginasA4, ContadorRecuou"
#define SUPPLIES_COLUMNS                                                                         \
    "Chave, NSerie, Fabricante, Modelo, IP, DataLog, Slot, Descricao, Cor, Nivel, Capacidade,\n"  \
    "Percentual"

const QList<Entry>& Entries()
{
    static const QList<Entry> entries{
        // Everything the store reads before it writes, in one round trip: the customer's
        // Parametros row (or none), the server's clock, the two exclusions, and whether any
        // device of any customer waits for the inoperative sweep. Counted rather than asked with
        // "exists": PostgreSQL would then scan the list hoping to meet a match early, and there
        // is usually none.
        {Statement::StoreStart, "StoreStart",
         "select P.*, {now} as DataeHoraAtual,\n"
         "case when exists (select Idserv from exclusao where Idserv=:xIDServ) then 1 else 0 end "
         "as ColetorExcluido,\n"
         "case when exists (select nSerie from exclusao where (chave=:xChave) and (nSerie=:xNSerie)) "
         "then 1 else 0 end as EquipamentoExcluido,\n"
         "case when (select count(*) from ListaEquipCli where (UltLog<{now - 3 days}) and "
         "((ultNotif is null) or ({UltNotif is empty}))) > 0 then 1 else 0 end as Inoperantes\n"
         "from (select 1 as Um) U left join Parametros P on (P.chave=:xChave)"},
        {Statement::ParametrosOfCustomer, "ParametrosOfCustomer",
         "Select * from Parametros\n"
         "where chave=:xChave"},
        {Statement::InsertReading, "InsertReading",
         "Insert Into DadosOid (" READING_COLUMNS ")\n"
         "values (" READING_VALUES ")"},
        // A reading taken earlier carries its own identity, which the replay looks for.
        {Statement::InsertEarlierReading, "InsertEarlierReading",
         "Insert Into DadosOid (" READING_COLUMNS ",IdLeitura)\n"
         "values (" READING_VALUES ",:xIdLeitura)"},
        // The device's one row, which a new reading also clears of an inoperative report.
        {Statement::UpsertEquipment, "UpsertEquipment",
         Upsert{{QStringLiteral("ListaEquipCli"),
                 {QStringLiteral("nSerie")},
                 {QStringLiteral("Chave"), QStringLiteral("LocalInstal"), QStringLiteral("nSerie"),
                  QStringLiteral("Fabricante"), QStringLiteral("Modelo"), QStringLiteral("IDServ"),
                  QStringLiteral("UltLog"), QStringLiteral("CodEmpresa"), QStringLiteral("IP"),
                  QStringLiteral("Versao")},
                 {QStringLiteral("ultNotif")},
                 {}}}},
        {Statement::UpsertLastStore, "UpsertLastStore",
         Upsert{{QStringLiteral("UltLog"),
                 {QStringLiteral("IDServ"), QStringLiteral("Chave")},
                 {QStringLiteral("IDServ"), QStringLiteral("Chave"), QStringLiteral("DataLOG"),
                  QStringLiteral("LocalInstal")},
                 {},
                 {}}}},

        // Readings not yet looked at get Notificado '' so the count sees them ("<>'S'" never
        // holds for null).
        {Statement::MakeReadingsCountable, "MakeReadingsCountable",
         "Update DadosOid set Notificado=''\n"
         "where (Notificado is null)\n"
         "and (NSerie=:xNSerie)"},
        {Statement::CountRecentFailures, "CountRecentFailures",
         "select nserie,count(falha)as TotalFalhas from DadosOid\n"
         "where (IDServ=:xIDServ)\n"
         "and (falha<>'2-TUDO OK')\n"
         "and (DataLog >=:xWindowStart and Datalog<=:xWindowEnd)\n"
         "and (Notificado<>'S')\n"
         "and (NSerie=:xNSerie)\n"
         "group by nserie"},
        {Statement::NewestFailureReading, "NewestFailureReading",
         "select {top 1} Cod,IdServ from DadosOid\n"
         "where NSerie=:xNSerie\n"
         "and chave=:xChave\n"
         "and (falha<>'2-TUDO OK')\n"
         "Order by cod desc\n"
         "{limit 1}"},
        {Statement::HasAlert, "HasAlert",
         "Select IDDadosOid from alerta\n"
         "where chave=:xChave\n"
         "and IDDadosOid=:xIDDadosOid"},
        // One open alert per reading and kind, kept so by the database's partial unique index.
        {Statement::InsertAlert, "InsertAlert",
         InsertUnlessPresent{{QStringLiteral("alerta"),
                              {QStringLiteral("IDDadosOid"), QStringLiteral("TipoAlerta")},
                              {QStringLiteral("Data"), QStringLiteral("Chave"), QStringLiteral("TipoAlerta"),
                               QStringLiteral("Situacao"), QStringLiteral("IDDadosOid"),
                               QStringLiteral("IDSERV")},
                              {},
                              QStringLiteral("Situacao='Em Aberto'")}}},
        // Rows marked by an earlier alert are left as they are: rewriting them would change
        // nothing but cost a write each.
        {Statement::MarkFailuresNotified, "MarkFailuresNotified",
         "Update DadosOid set Notificado='S'\n"
         "where (IDServ=:xIDServ)\n"
         "and (falha<>'2-TUDO OK')\n"
         "and (NSerie=:xNSerie)\n"
         "and ((Notificado is null) or (Notificado<>'S'))"},

        {Statement::SilentDevices, "SilentDevices",
         "Select * from ListaEquipCli\n"
         "where (UltLog<:xSilentSince)\n"
         "and((ultNotif is null) or ({UltNotif is empty}))\n"
         "Order by UltLog desc"},
        {Statement::IsDeviceExcluded, "IsDeviceExcluded",
         "select nSerie from exclusao\n"
         "where (chave=:xChave)\n"
         "and (nSerie=:xNSerie)"},
        {Statement::NewestReading, "NewestReading",
         "select {top 1} Cod,IdServ from DadosOid\n"
         "where NSerie=:xNSerie\n"
         "Order by cod desc\n"
         "{limit 1}"},
        // The claim asks what the list asked: a second collector's update waits for the first
        // one's commit, then finds the row marked and changes nothing.
        {Statement::ClaimSilentDevice, "ClaimSilentDevice",
         "Update ListaEquipCli set ultNotif=:xUltNotif\n"
         "where (nSerie=:xNSerie)\n"
         "and (UltLog<:xSilentSince)\n"
         "and((ultNotif is null) or ({UltNotif is empty}))"},
        {Statement::DeleteOpenAlerts, "DeleteOpenAlerts",
         "Delete from Alerta\n"
         "where IDDadosOid=:xIDDadosOid\n"
         "and Situacao='Em Aberto'"},
        {Statement::MarkInoperative, "MarkInoperative",
         "Update DadosOid set falha='5-Inoperante'\n"
         "where Cod=:xCod"},

        // In the order they were added, so a range repeated later is the one left out, as the
        // tool would have refused it; the tool lists them in the same order.
        {Statement::RangesOfCollector, "RangesOfCollector",
         "Select * from RangeIP\n"
         "where Chave=:xChave\n"
         "And IDSERV=:xIDServ\n"
         "Order by Cod"},
        // The model row, or the '*' row that holds for every model.
        {Statement::ModelOid, "ModelOid",
         "Select Oid from Oid\n"
         "where (Modelo=:xModelo)\n"
         "and (NomeInfo=:xNomeInfo)\n"
         "or ((Modelo='*')and(NomeInfo=:xNomeInfo))"},

        {Statement::ServerTime, "ServerTime", "SELECT {now} AS DataeHoraAtual"},
        // Asks for no row: fails only when the column is missing.
        {Statement::IdLeituraColumn, "IdLeituraColumn", "select IdLeitura from DadosOid where 1=0"},
        {Statement::HeldReadings, "HeldReadings",
         "select IdLeitura from DadosOid where IdLeitura in ({:xId0 .. :xId49})"},
        // A live store's row, found by its keys and the second around its DataLog: SQL Server
        // keeps the milliseconds of the server time it was stored with.
        {Statement::StoredWithoutId, "StoredWithoutId",
         "select Cod from DadosOid\n"
         "where (IDServ=:xIDServ) and (Chave=:xChave) and (NSerie=:xNSerie)\n"
         "and (IP=:xIP) and (IdLeitura is null)\n"
         "and (DataLog>=:xFrom) and (DataLog<:xUntil)"},

        // One month of PaginasPorMes (:xMes, yyyy-mm), of every customer or of :xChave.
        {Statement::PagesOfMonth, "PagesOfMonth",
         "select " PAGES_COLUMNS "\n"
         "from PaginasPorMes\n"
         "where Mes = :xMes\n"
         "order by Chave, NSerie"},
        {Statement::PagesOfMonthOfCustomer, "PagesOfMonthOfCustomer",
         "select " PAGES_COLUMNS "\n"
         "from PaginasPorMes\n"
         "where Mes = :xMes\n"
         "and Chave = :xChave\n"
         "order by Chave, NSerie"},
        // SuprimentoAtual, of every customer or of :xChave; "below" keeps the slots whose
        // Percentual is below :xAbaixo (a slot of unknown percent is not below anything).
        {Statement::Supplies, "Supplies",
         "select " SUPPLIES_COLUMNS "\n"
         "from SuprimentoAtual\n"
         "order by Chave, NSerie, Slot"},
        {Statement::SuppliesOfCustomer, "SuppliesOfCustomer",
         "select " SUPPLIES_COLUMNS "\n"
         "from SuprimentoAtual\n"
         "where Chave = :xChave\n"
         "order by Chave, NSerie, Slot"},
        {Statement::SuppliesBelow, "SuppliesBelow",
         "select " SUPPLIES_COLUMNS "\n"
         "from SuprimentoAtual\n"
         "where Percentual < :xAbaixo\n"
         "order by Chave, NSerie, Slot"},
        {Statement::SuppliesOfCustomerBelow, "SuppliesOfCustomerBelow",
         "select " SUPPLIES_COLUMNS "\n"
         "from SuprimentoAtual\n"
         "where Chave = :xChave and Percentual < :xAbaixo\n"
         "order by Chave, NSerie, Slot"},

        {Statement::PasswordOfCustomer, "PasswordOfCustomer",
         "Select Ed5 from parametros where chave=:xChave"},
        {Statement::InsertRange, "InsertRange",
         "Insert into RangeIP (CHAVE,IDSERV,IPINI,IPFIN)\n"
         "Values (:xCHAVE,:xIDSERV,:xIPINI,:xIPFIN)"},
        {Statement::DeleteRange, "DeleteRange",
         "Delete from RangeIP\n"
         "where Cod=:xCod"},
        {Statement::DevicesOfCollector, "DevicesOfCollector",
         "Select nSerie, Fabricante, Modelo, IP, LocalInstal, UltLog\n"
         "from ListaEquipCli\n"
         "where Chave=:xChave and IDServ=:xIDServ"},
        {Statement::LastStoreOfCollector, "LastStoreOfCollector",
         "Select DataLOG from UltLog\n"
         "where Chave=:xChave and IDServ=:xIDServ"},
    };
    return entries;
}

#undef READING_COLUMNS
#undef READING_VALUES
#undef PAGES_COLUMNS
#undef SUPPLIES_COLUMNS

/// `text` with its tokens replaced by what `dialect` writes there.
QString Expanded(const QString& text, const Dialect& dialect)
{
    static const QRegularExpression token(QStringLiteral("\\{([^}]*)\\}"));
    static const QRegularExpression daysBack(QStringLiteral("^now - (\\d+) days$"));
    static const QRegularExpression empty(QStringLiteral("^(\\w+) is empty$"));
    static const QRegularExpression list(QStringLiteral("^:(\\w*?)0 \\.\\. :\\1(\\d+)$"));
    QString expanded;
    qsizetype from = 0;
    for (auto it = token.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        expanded += text.mid(from, match.capturedStart() - from);
        from = match.capturedEnd();
        const QString name = match.captured(1);
        if (name == QLatin1String("now")) {
            expanded += dialect.currentTime();
        } else if (name == QLatin1String("top 1")) {
            expanded += dialect.topOne().trimmed();
        } else if (name == QLatin1String("limit 1")) {
            expanded += dialect.limitOne();
        } else if (const auto days = daysBack.match(name); days.hasMatch()) {
            expanded += dialect.daysBefore(dialect.currentTime(), days.captured(1).toInt());
        } else if (const auto column = empty.match(name); column.hasMatch()) {
            expanded += dialect.isEmptyText(column.captured(1));
        } else if (const auto names = list.match(name); names.hasMatch()) {
            QStringList parameters;
            for (int i = 0; i <= names.captured(2).toInt(); ++i)
                parameters << u':' + names.captured(1) + QString::number(i);
            expanded += parameters.join(u',');
        } else {
            qFatal("catalogue token {%s} unknown", qPrintable(name));
        }
    }
    return expanded + text.mid(from);
}

} // namespace

StatementCatalogue::StatementCatalogue(DatabaseBackend backend)
{
    const Dialect& dialect = Dialect::of(backend);
    for (const Entry& entry : Entries()) {
        Q_ASSERT(static_cast<int>(entry.statement) == m_texts.size());
        if (const auto* text = std::get_if<const char*>(&entry.text))
            m_texts.append(Expanded(QString::fromUtf8(*text), dialect));
        else if (const auto* upsert = std::get_if<Upsert>(&entry.text))
            m_texts.append(dialect.upsert(upsert->row));
        else
            m_texts.append(dialect.insertUnlessPresent(std::get<InsertUnlessPresent>(entry.text).row));
    }
}

const StatementCatalogue& StatementCatalogue::of(DatabaseBackend backend)
{
    static const StatementCatalogue sqlite(DatabaseBackend::Sqlite);
    static const StatementCatalogue postgreSql(DatabaseBackend::PostgreSql);
    static const StatementCatalogue sqlServer(DatabaseBackend::SqlServer);
    if (backend == DatabaseBackend::PostgreSql)
        return postgreSql;
    return backend == DatabaseBackend::SqlServer ? sqlServer : sqlite;
}

const QString& StatementCatalogue::text(Statement statement) const
{
    return m_texts.at(static_cast<int>(statement));
}

QString StatementCatalogue::name(Statement statement)
{
    return QString::fromLatin1(Entries().at(static_cast<int>(statement)).name);
}

QList<Statement> StatementCatalogue::all()
{
    QList<Statement> statements;
    for (const Entry& entry : Entries())
        statements.append(entry.statement);
    return statements;
}

} // namespace vorenta
