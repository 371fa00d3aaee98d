#include "PendingQueue.h"

#include "collector/probing/DeviceReadingFields.h"
#include "common/TextRules.h"
#include "common/database/SqlQuery.h"
#include "common/database/Transaction.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <algorithm>
#include <array>

namespace vorenta {

namespace {

const QString kIsoDateTime = QStringLiteral("yyyy-MM-dd HH:mm:ss");
// What a row costs beyond its texts (Id, dates, the row's own header), for the size bound.
constexpr qint64 kRowOverheadBytes = 64;

template <typename Record> struct TextField {
    const char* name;
    QString Record::*member;
};

constexpr std::array kIdentityFields{
    TextField<CollectorIdentity>{"Chave", &CollectorIdentity::Chave},
    TextField<CollectorIdentity>{"IDServ", &CollectorIdentity::IDServ},
    TextField<CollectorIdentity>{"LocalInstal", &CollectorIdentity::InstallationLocation},
    TextField<CollectorIdentity>{"DataExp", &CollectorIdentity::IdentityDate},
};

// What the store writes from the settings; the folders come from the collector that replays.
constexpr std::array kSettingsFields{
    TextField<CollectorSettings>{"Versao", &CollectorSettings::VersionText},
    TextField<CollectorSettings>{"Computador", &CollectorSettings::ComputerName},
    TextField<CollectorSettings>{"CodEmpresa", &CollectorSettings::CodEmpresa},
    TextField<CollectorSettings>{"Contato1", &CollectorSettings::Contato1},
    TextField<CollectorSettings>{"Contato2", &CollectorSettings::Contato2},
    TextField<CollectorSettings>{"Contato3", &CollectorSettings::Contato3},
    TextField<CollectorSettings>{"Telefone1", &CollectorSettings::Telefone1},
    TextField<CollectorSettings>{"Telefone2", &CollectorSettings::Telefone2},
    TextField<CollectorSettings>{"Telefone3", &CollectorSettings::Telefone3},
    TextField<CollectorSettings>{"email1", &CollectorSettings::email1},
    TextField<CollectorSettings>{"email2", &CollectorSettings::email2},
    TextField<CollectorSettings>{"email3", &CollectorSettings::email3},
    TextField<CollectorSettings>{"FormatoData", &CollectorSettings::DateTimeFormat},
};

template <typename Record, typename Fields> QJsonObject toJson(const Record& record, const Fields& fields)
{
    QJsonObject object;
    for (const auto& field : fields) {
        const QString& value = record.*field.member;
        if (!value.isEmpty())
            object.insert(QString::fromLatin1(field.name), value);
    }
    return object;
}

template <typename Record, typename Fields>
void fromJson(const QJsonObject& object, Record& record, const Fields& fields)
{
    for (const auto& field : fields)
        record.*field.member = object.value(QString::fromLatin1(field.name)).toString();
}

/// Leitura: {"Leitura": the reading's fields, "Coletor": the identity, "Config": the settings},
/// empty texts left out.
QByteArray leituraText(const PendingReading& pending)
{
    QJsonObject object;
    object.insert(QStringLiteral("Leitura"), toJson(pending.reading, kReadingFields));
    object.insert(QStringLiteral("Coletor"), toJson(pending.identity, kIdentityFields));
    object.insert(QStringLiteral("Config"), toJson(pending.settings, kSettingsFields));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

bool readLeitura(const QByteArray& text, PendingReading& pending)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    fromJson(object.value(QStringLiteral("Leitura")).toObject(), pending.reading, kReadingFields);
    fromJson(object.value(QStringLiteral("Coletor")).toObject(), pending.identity, kIdentityFields);
    fromJson(object.value(QStringLiteral("Config")).toObject(), pending.settings, kSettingsFields);
    return true;
}

/// The reading as its log lines name it: "IP NSerie".
QString Named(const DeviceReading& reading)
{
    return EscapedText(Trim(reading.IP) + u' ' + Trim(reading.NSerie));
}

void bindOptionalText(SqlQuery& query, const QString& name, const QString& value)
{
    if (value.isEmpty())
        query.bindNull(name);
    else
        query.bindText(name, value);
}

} // namespace

PendingQueue::PendingQueue(QueueFile& file, PendingQueueBounds bounds, LogSink& log, QueueClock clock)
    : m_file(file), m_bounds(bounds), m_log(log), m_clock(std::move(clock))
{
}

bool PendingQueue::enqueue(PendingReading pending)
{
    if (!pending.ColetadoEm.isValid()) {
        const QueueTime now = m_clock();
        pending.ColetadoEm = now.wall;
        pending.BootMs = now.sinceBootMs;
        pending.BootId = now.bootId;
    }
    if (pending.IdLeitura.isEmpty())
        pending.IdLeitura = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QByteArray leitura = leituraText(pending);
    const QString chave = Trim(pending.identity.Chave);
    const QString idServ = Trim(pending.identity.IDServ);
    const QString ip = Trim(pending.reading.IP);
    const QString nSerie = Trim(pending.reading.NSerie);
    const qint64 size = leitura.size() + (chave + idServ + ip + nSerie + pending.IdLeitura).toUtf8().size() +
                        kRowOverheadBytes;
    const bool kept = m_file.use([&](DatabaseConnection& connection) {
        Transaction transaction(connection);
        SqlQuery insert(connection);
        insert.addLine(QStringLiteral("insert into Pendentes (ColetadoEm, Boot, BootId, Chave, IDServ, IP, NSerie,"));
        insert.addLine(QStringLiteral(" IdLeitura, DataLog, EnvioSemId, Leitura, Tamanho)"));
        insert.addLine(QStringLiteral("values (:xColetadoEm, :xBoot, :xBootId, :xChave, :xIDServ, :xIP, :xNSerie,"));
        insert.addLine(QStringLiteral(" :xIdLeitura, :xDataLog, :xEnvioSemId, :xLeitura, :xTamanho)"));
        insert.bindText(QStringLiteral("xColetadoEm"), pending.ColetadoEm.toString(kIsoDateTime));
        if (pending.BootMs >= 0 && !pending.BootId.isEmpty())
            insert.bindInteger(QStringLiteral("xBoot"), pending.BootMs);
        else
            insert.bindNull(QStringLiteral("xBoot"));
        bindOptionalText(insert, QStringLiteral("xBootId"), pending.BootId);
        insert.bindText(QStringLiteral("xChave"), chave);
        insert.bindText(QStringLiteral("xIDServ"), idServ);
        insert.bindText(QStringLiteral("xIP"), ip);
        insert.bindText(QStringLiteral("xNSerie"), nSerie);
        insert.bindText(QStringLiteral("xIdLeitura"), pending.IdLeitura);
        bindOptionalText(insert, QStringLiteral("xDataLog"),
                         pending.DataLog.isValid() ? pending.DataLog.toString(kIsoDateTime) : QString());
        insert.bindInteger(QStringLiteral("xEnvioSemId"), pending.SentWithoutId ? 1 : 0);
        insert.bindText(QStringLiteral("xLeitura"), QString::fromUtf8(leitura));
        insert.bindInteger(QStringLiteral("xTamanho"), size);
        insert.execute();
        dropOverBounds(connection);
        transaction.commit();
        m_waiting = countRows(connection) > 0;
        m_waitingOpening = m_file.opening();
    });
    if (kept)
        m_log.WriteLog(QStringLiteral("Leitura guardada para envio posterior: ") + Named(pending.reading));
    return kept;
}

qint64 PendingQueue::ageSeconds(const PendingReading& pending) const
{
    return ElapsedSeconds(pending.collected(), m_clock());
}

void PendingQueue::dropOverBounds(DatabaseConnection& connection)
{
    dropOverAge(connection);
    dropOverSize(connection);
}

// Inside the caller's transaction: the readings past the age bound, by their true age (the clock
// since boot, when they were read in this boot).
void PendingQueue::dropOverAge(DatabaseConnection& connection)
{
    const QueueTime now = m_clock();
    SqlQuery expired(connection);
    expired.addLine(QStringLiteral("delete from Pendentes where case"));
    expired.addLine(QStringLiteral(" when Boot is not null and BootId = :xBootId then :xNowBoot - Boot > :xMaxMs"));
    expired.addLine(QStringLiteral(" else ColetadoEm < :xOldest end"));
    expired.bindText(QStringLiteral("xBootId"), now.bootId);
    expired.bindInteger(QStringLiteral("xNowBoot"), now.sinceBootMs);
    expired.bindInteger(QStringLiteral("xMaxMs"), m_bounds.maxAgeSeconds() * 1000);
    expired.bindText(QStringLiteral("xOldest"), now.wall.addDays(-m_bounds.maxAgeDays).toString(kIsoDateTime));
    expired.execute();
    m_droppedByAge += std::max(0, expired.rowsAffected());
}

// Inside the caller's transaction: oldest first, as many readings as take the queue over its size.
void PendingQueue::dropOverSize(DatabaseConnection& connection)
{
    SqlQuery total(connection);
    total.addLine(QStringLiteral("select coalesce(sum(Tamanho), 0) as Total from Pendentes"));
    total.open();
    const qint64 excess = total.integer(QStringLiteral("Total")) - m_bounds.maxBytes();
    total.close();
    if (excess <= 0)
        return;
    SqlQuery rows(connection);
    rows.addLine(QStringLiteral("select Id, Tamanho from Pendentes order by Id"));
    rows.open();
    qint64 freed = 0;
    qint64 lastDropped = 0;
    qint64 dropped = 0;
    for (; freed < excess && !rows.atEnd(); rows.next()) {
        lastDropped = rows.integer(QStringLiteral("Id"));
        freed += rows.integer(QStringLiteral("Tamanho"));
        ++dropped;
    }
    rows.close();
    SqlQuery remove(connection);
    remove.addLine(QStringLiteral("delete from Pendentes where Id <= :xId"));
    remove.bindInteger(QStringLiteral("xId"), lastDropped);
    remove.execute();
    m_droppedBySize += dropped;
}

qint64 PendingQueue::countRows(DatabaseConnection& connection)
{
    SqlQuery query(connection);
    query.addLine(QStringLiteral("select count(*) as Quantas from Pendentes"));
    query.open();
    return query.integer(QStringLiteral("Quantas"));
}

bool PendingQueue::hasWaiting()
{
    if (!m_file.present())
        return false; // nothing was ever kept: no need to make the file for the question
    if (m_file.isOpen() && m_waitingOpening == m_file.opening())
        return m_waiting;
    m_file.use([&](DatabaseConnection& connection) {
        m_waiting = countRows(connection) > 0;
        m_waitingOpening = m_file.opening();
    });
    return m_waiting;
}

qint64 PendingQueue::count()
{
    qint64 rows = 0;
    if (m_file.present())
        m_file.use([&](DatabaseConnection& connection) { rows = countRows(connection); });
    return rows;
}

QList<PendingReading> PendingQueue::oldest(int limit)
{
    QList<PendingReading> found;
    m_file.use([&](DatabaseConnection& connection) {
        found.clear();
        SqlQuery rows(connection);
        rows.addLine(QStringLiteral("select Id, IdLeitura, ColetadoEm, Boot, BootId, DataLog, EnvioSemId, Leitura"));
        rows.addLine(QStringLiteral("from Pendentes order by Id limit :xLimit"));
        rows.bindInteger(QStringLiteral("xLimit"), limit);
        rows.open();
        QList<qint64> unreadable;
        for (; !rows.atEnd(); rows.next()) {
            PendingReading pending;
            pending.Id = rows.integer(QStringLiteral("Id"));
            pending.IdLeitura = rows.text(QStringLiteral("IdLeitura"));
            pending.ColetadoEm = QDateTime::fromString(rows.text(QStringLiteral("ColetadoEm")), kIsoDateTime);
            pending.BootMs = rows.isNull(QStringLiteral("Boot")) ? -1 : rows.integer(QStringLiteral("Boot"));
            pending.BootId = rows.text(QStringLiteral("BootId"));
            if (!rows.isNull(QStringLiteral("DataLog")))
                pending.DataLog = QDateTime::fromString(rows.text(QStringLiteral("DataLog")), kIsoDateTime);
            pending.SentWithoutId = rows.integer(QStringLiteral("EnvioSemId")) != 0;
            if (pending.ColetadoEm.isValid() && !pending.IdLeitura.isEmpty() &&
                readLeitura(rows.text(QStringLiteral("Leitura")).toUtf8(), pending))
                found.append(std::move(pending));
            else
                unreadable.append(pending.Id);
        }
        rows.close();
        SqlQuery remove(connection);
        remove.addLine(QStringLiteral("delete from Pendentes where Id = :xId"));
        for (qint64 id : unreadable) {
            remove.bindInteger(QStringLiteral("xId"), id);
            remove.execute();
            m_log.WriteLog(QStringLiteral("Leitura pendente ilegível descartada da fila: %1").arg(id));
        }
        if (found.isEmpty()) {
            m_waiting = countRows(connection) > 0;
            m_waitingOpening = m_file.opening();
        }
    });
    return found;
}

std::optional<PendingReading> PendingQueue::oldest()
{
    for (int attempt = 0; attempt < 1000; ++attempt) { // past rows that could not be read back
        QList<PendingReading> found = oldest(1);
        if (!found.isEmpty())
            return found.takeFirst();
        if (!m_waiting)
            break;
    }
    return std::nullopt;
}

bool PendingQueue::remove(const QList<qint64>& ids)
{
    return m_file.use([&](DatabaseConnection& connection) {
        Transaction transaction(connection);
        SqlQuery remove(connection);
        remove.addLine(QStringLiteral("delete from Pendentes where Id = :xId"));
        for (qint64 id : ids) {
            remove.bindInteger(QStringLiteral("xId"), id);
            remove.execute();
        }
        transaction.commit();
        m_waiting = countRows(connection) > 0;
        m_waitingOpening = m_file.opening();
    });
}

void PendingQueue::dropExpired()
{
    if (!hasWaiting())
        return;
    m_file.use([&](DatabaseConnection& connection) {
        Transaction transaction(connection);
        dropOverBounds(connection);
        transaction.commit();
        m_waiting = countRows(connection) > 0;
        m_waitingOpening = m_file.opening();
    });
}

void PendingQueue::reportPass()
{
    if (m_droppedByAge > 0)
        m_log.WriteLog(QStringLiteral("Leituras pendentes descartadas por terem mais de %1 dias: %2")
                           .arg(m_bounds.maxAgeDays)
                           .arg(m_droppedByAge));
    if (m_droppedBySize > 0)
        m_log.WriteLog(QStringLiteral("Leituras pendentes descartadas pelo limite de %1 MB da fila: %2")
                           .arg(m_bounds.maxMegabytes)
                           .arg(m_droppedBySize));
    m_droppedByAge = 0;
    m_droppedBySize = 0;
    if (hasWaiting()) {
        const qint64 waiting = count();
        if (waiting > 0)
            m_log.WriteLog(QStringLiteral("Leituras pendentes aguardando envio: %1").arg(waiting));
    }
    m_file.newPass();
}

} // namespace vorenta
