#include "PendingQueue.h"

#include "collector/probing/DeviceReadingFields.h"
#include "common/IniFile.h"
#include "common/TextRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <array>
#include <atomic>
#include <stdexcept>

namespace vorenta {

namespace {

const QString kIsoDateTime = QStringLiteral("yyyy-MM-dd HH:mm:ss");
constexpr int kSchemaVersion = 1;
// SQLite's primary result codes for a damaged file and for a file that is no database.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;
// What a row costs beyond its texts (Id, dates, the row's own header), for the size bound.
constexpr qint64 kRowOverheadBytes = 64;

// The file's tables. Pendentes: one row per waiting reading, oldest first by Id (AUTOINCREMENT:
// an Id is never given twice, even after the newest row was removed). Chave, IDServ, IP and
// NSerie are there for a person reading the file; Leitura holds everything the store writes.
// FaixasGuardadas and Guardado: the ranges and the rest last read from the central database.
const char* const kSchema[] = {
    "create table Pendentes ("
    " Id integer primary key autoincrement,"
    " ColetadoEm text not null,"
    " Chave text not null,"
    " IDServ text not null,"
    " IP text not null,"
    " NSerie text not null,"
    " DataLog text,"
    " Leitura text not null,"
    " Tamanho integer not null)",
    "create index PendentesColetadoEm on Pendentes (ColetadoEm)",
    "create table FaixasGuardadas ("
    " Faixa integer primary key,"
    " Chave text not null,"
    " IDServ text not null,"
    " IPINI text not null,"
    " IPFIN text not null)",
    "create table Guardado (Nome text primary key, Valor text not null)",
};

/// A failure of the queue's file; `damaged` when the file cannot be used as a queue at all.
class QueueFileError : public std::runtime_error {
public:
    QueueFileError(const QString& text, bool damaged)
        : std::runtime_error(text.toStdString()), m_text(text), m_damaged(damaged)
    {
    }
    const QString& text() const { return m_text; }
    bool damaged() const { return m_damaged; }

private:
    QString m_text;
    bool m_damaged;
};

QueueFileError failure(const QSqlError& error)
{
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xff; // extended codes carry it low
    const bool damaged = numeric && (code == kSqliteCorrupt || code == kSqliteNotADatabase);
    QString text = error.text().trimmed();
    text.replace(u'\n', u' ');
    return QueueFileError(text.isEmpty() ? QStringLiteral("falha sem descrição do driver") : text, damaged);
}

QSqlQuery run(const QSqlDatabase& db, const QString& statement, const QVariantList& values = {})
{
    QSqlQuery query(db);
    if (!query.prepare(statement))
        throw failure(query.lastError());
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw failure(query.lastError());
    return query;
}

/// BEGIN IMMEDIATE ... COMMIT, rolled back when left without commit().
class FileTransaction {
public:
    explicit FileTransaction(const QSqlDatabase& db) : m_db(db)
    {
        run(m_db, QStringLiteral("begin immediate"));
    }
    ~FileTransaction()
    {
        if (!m_committed)
            QSqlQuery(m_db).exec(QStringLiteral("rollback"));
    }
    FileTransaction(const FileTransaction&) = delete;
    FileTransaction& operator=(const FileTransaction&) = delete;

    void commit()
    {
        run(m_db, QStringLiteral("commit"));
        m_committed = true;
    }

private:
    QSqlDatabase m_db;
    bool m_committed = false;
};

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

QString uniqueConnectionName()
{
    static std::atomic<quint64> counter{0};
    return QStringLiteral("vorenta-pendentes-%1").arg(++counter);
}

/// A whole number from 1 to `maximum` read from [COLETOR] `key`; `fallback` when missing.
int boundSetting(const IniFile& ini, const QString& key, int fallback, int maximum, QStringList& notices)
{
    const QString text = Trim(ini.value(QStringLiteral("COLETOR"), key));
    if (text.isEmpty())
        return fallback;
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (ok && number >= 1 && number <= maximum)
        return static_cast<int>(number);
    const int taken = ok && number > maximum ? maximum : fallback;
    notices.append(
        QStringLiteral("%1 inválido em Coletor.ini: %2; usando %3.").arg(key, EscapedText(text)).arg(taken));
    return taken;
}

} // namespace

PendingQueueBounds LoadPendingQueueBounds(const QString& programFolder, QStringList& notices)
{
    PendingQueueBounds bounds;
    try {
        const IniFile ini(QDir(programFolder).filePath(QString::fromLatin1(kCollectorIniName)));
        bounds.maxAgeDays =
            boundSetting(ini, QStringLiteral("PendentesDias"), PendingQueueBounds::kDefaultDays,
                         PendingQueueBounds::kMaxDays, notices);
        bounds.maxMegabytes =
            boundSetting(ini, QStringLiteral("PendentesMB"), PendingQueueBounds::kDefaultMegabytes,
                         PendingQueueBounds::kMaxMegabytes, notices);
    } catch (const IniFileError&) {
        // the identity read reports the file
    }
    return bounds;
}

PendingQueue::PendingQueue(QString file, PendingQueueBounds bounds, LogSink& log, Clock clock)
    : m_file(std::move(file)), m_bounds(bounds), m_log(log), m_clock(std::move(clock)),
      m_connectionName(uniqueConnectionName())
{
}

PendingQueue::~PendingQueue()
{
    closeFile();
}

void PendingQueue::closeFile()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    m_open = false;
}

// The one place where the file's failures end: a file that cannot be used as a queue is moved
// aside and the work tried once more on a new one; any other failure is logged, and the file is
// opened afresh at the next use.
template <typename Work> bool PendingQueue::guarded(Work&& work)
{
    for (int attempt = 0;; ++attempt) {
        try {
            ensureOpen();
            work(QSqlDatabase::database(m_connectionName, false));
            return true;
        } catch (const QueueFileError& error) {
            closeFile();
            if (error.damaged() && attempt == 0 && QFile::exists(m_file)) {
                moveAside(error.text());
                continue;
            }
            m_log.WriteLog(QStringLiteral("Erro na fila de leituras pendentes ") +
                           QString::fromLatin1(kFileName) + QStringLiteral(": ") + error.text());
            return false;
        }
    }
}

void PendingQueue::ensureOpen()
{
    if (m_open)
        return;
    try {
        openFile();
    } catch (const QueueFileError& error) {
        // A file that exists but cannot be opened, checked or given its tables is no queue.
        throw QueueFileError(error.text(), QFile::exists(m_file));
    }
    m_open = true;
}

void PendingQueue::openFile()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(m_file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000")); // someone reading it with sqlite3
    if (!db.open())
        throw failure(db.lastError());
    QSqlQuery check = run(db, QStringLiteral("pragma quick_check"));
    if (!check.next() || check.value(0).toString() != QStringLiteral("ok"))
        throw QueueFileError(QStringLiteral("arquivo danificado: ") + check.value(0).toString(), true);
    check.finish();

    QSqlQuery version = run(db, QStringLiteral("pragma user_version"));
    const int found = version.next() ? version.value(0).toInt() : -1;
    version.finish();
    if (found == 0) {
        FileTransaction transaction(db);
        for (const char* statement : kSchema)
            run(db, QString::fromLatin1(statement));
        run(db, QStringLiteral("pragma user_version=%1").arg(kSchemaVersion));
        transaction.commit();
    } else if (found != kSchemaVersion) {
        throw QueueFileError(QStringLiteral("versão desconhecida da fila: %1").arg(found), true);
    }
    // Write-ahead log, synced at every commit: a reading the call said it kept survives a crash
    // or a power cut. Set once the file is known to be a queue: a file moved aside stays as found.
    run(db, QStringLiteral("pragma journal_mode=wal"));
    run(db, QStringLiteral("pragma synchronous=full"));
    QSqlQuery waiting = run(db, QStringLiteral("select exists (select 1 from Pendentes)"));
    m_waiting = waiting.next() && waiting.value(0).toBool();
}

// Renamed, never deleted: the readings in it may still be saved by hand.
void PendingQueue::moveAside(const QString& why)
{
    const QString stamp = m_clock().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = m_file + QStringLiteral(".corrompido-") + stamp;
    for (int n = 2; QFile::exists(target); ++n)
        target = m_file + QStringLiteral(".corrompido-") + stamp + u'-' + QString::number(n);
    if (!QFile::rename(m_file, target)) {
        m_log.WriteLog(QStringLiteral("Fila de leituras pendentes ilegível (") + why +
                       QStringLiteral(") e não foi possível movê-la: ") + m_file);
        return;
    }
    // The write-ahead log belongs to the file: it goes along under the matching name.
    for (const char* part : {"-wal", "-shm"}) {
        const QString from = m_file + QString::fromLatin1(part);
        if (QFile::exists(from) && !QFile::rename(from, target + QString::fromLatin1(part)))
            QFile::remove(from);
    }
    m_keptRangesKey.clear();
    m_keptPause.reset();
    m_log.WriteLog(QStringLiteral("Fila de leituras pendentes ilegível (") + why +
                   QStringLiteral("), movida para ") + QFileInfo(target).fileName() +
                   QStringLiteral("; uma nova foi iniciada."));
}

bool PendingQueue::enqueue(const PendingReading& pending)
{
    const QByteArray leitura = leituraText(pending);
    const QString chave = Trim(pending.identity.Chave);
    const QString idServ = Trim(pending.identity.IDServ);
    const QString ip = Trim(pending.reading.IP);
    const QString nSerie = Trim(pending.reading.NSerie);
    const qint64 size = leitura.size() + (chave + idServ + ip + nSerie).toUtf8().size() + kRowOverheadBytes;
    const bool kept = guarded([&](const QSqlDatabase& db) {
        FileTransaction transaction(db);
        run(db,
            QStringLiteral(
                "insert into Pendentes (ColetadoEm, Chave, IDServ, IP, NSerie, DataLog, Leitura, Tamanho)"
                " values (?, ?, ?, ?, ?, ?, ?, ?)"),
            {pending.ColetadoEm.toString(kIsoDateTime), chave, idServ, ip, nSerie,
             pending.DataLog.isValid() ? QVariant(pending.DataLog.toString(kIsoDateTime))
                                       : QVariant(QMetaType::fromType<QString>()),
             QString::fromUtf8(leitura), size});
        dropOverBounds();
        transaction.commit();
        m_waiting = countRows() > 0;
    });
    if (kept)
        m_log.WriteLog(QStringLiteral("Leitura guardada para envio posterior: ") + Named(pending.reading));
    else
        m_log.WriteLog(QStringLiteral("Leitura perdida, não foi possível guardá-la para envio posterior: ") +
                       Named(pending.reading));
    return kept;
}

// Inside the caller's transaction: the readings past the age bound, then, oldest first, as many
// as take the queue over its size.
void PendingQueue::dropOverBounds()
{
    const QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    const QDateTime oldestKept = m_clock().addDays(-m_bounds.maxAgeDays);
    QSqlQuery expired = run(db, QStringLiteral("delete from Pendentes where ColetadoEm < ?"),
                            {oldestKept.toString(kIsoDateTime)});
    m_droppedByAge += std::max(0, expired.numRowsAffected());

    QSqlQuery total = run(db, QStringLiteral("select coalesce(sum(Tamanho), 0) from Pendentes"));
    const qint64 excess = (total.next() ? total.value(0).toLongLong() : 0) - m_bounds.maxBytes();
    total.finish();
    if (excess <= 0)
        return;
    QSqlQuery rows = run(db, QStringLiteral("select Id, Tamanho from Pendentes order by Id"));
    qint64 freed = 0;
    qint64 lastDropped = 0;
    qint64 dropped = 0;
    while (freed < excess && rows.next()) {
        lastDropped = rows.value(0).toLongLong();
        freed += rows.value(1).toLongLong();
        ++dropped;
    }
    rows.finish();
    run(db, QStringLiteral("delete from Pendentes where Id <= ?"), {lastDropped});
    m_droppedBySize += dropped;
}

qint64 PendingQueue::countRows()
{
    QSqlQuery query = run(QSqlDatabase::database(m_connectionName, false),
                          QStringLiteral("select count(*) from Pendentes"));
    return query.next() ? query.value(0).toLongLong() : 0;
}

bool PendingQueue::hasWaiting()
{
    if (!m_open && !QFile::exists(m_file))
        return false; // nothing was ever kept: no need to make the file for the question
    guarded([](const QSqlDatabase&) {});
    return m_waiting;
}

qint64 PendingQueue::count()
{
    qint64 rows = 0;
    guarded([&](const QSqlDatabase&) { rows = countRows(); });
    return rows;
}

QList<PendingReading> PendingQueue::oldest(int limit)
{
    QList<PendingReading> found;
    guarded([&](const QSqlDatabase& db) {
        found.clear();
        QSqlQuery rows = run(
            db, QStringLiteral("select Id, ColetadoEm, DataLog, Leitura from Pendentes order by Id limit ?"),
            {limit});
        QList<qint64> unreadable;
        while (rows.next()) {
            PendingReading pending;
            pending.Id = rows.value(0).toLongLong();
            pending.ColetadoEm = QDateTime::fromString(rows.value(1).toString(), kIsoDateTime);
            if (!rows.value(2).isNull())
                pending.DataLog = QDateTime::fromString(rows.value(2).toString(), kIsoDateTime);
            if (pending.ColetadoEm.isValid() && readLeitura(rows.value(3).toString().toUtf8(), pending))
                found.append(std::move(pending));
            else
                unreadable.append(pending.Id);
        }
        rows.finish();
        for (qint64 id : unreadable) {
            run(db, QStringLiteral("delete from Pendentes where Id = ?"), {id});
            m_log.WriteLog(QStringLiteral("Leitura pendente ilegível descartada da fila: %1").arg(id));
        }
        if (found.isEmpty())
            m_waiting = countRows() > 0;
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

bool PendingQueue::markSending(const QList<PendingReading>& readings)
{
    return guarded([&](const QSqlDatabase& db) {
        FileTransaction transaction(db);
        for (const PendingReading& pending : readings)
            run(db, QStringLiteral("update Pendentes set DataLog = ? where Id = ?"),
                {pending.DataLog.toString(kIsoDateTime), pending.Id});
        transaction.commit();
    });
}

bool PendingQueue::remove(const QList<qint64>& ids)
{
    return guarded([&](const QSqlDatabase& db) {
        FileTransaction transaction(db);
        for (qint64 id : ids)
            run(db, QStringLiteral("delete from Pendentes where Id = ?"), {id});
        transaction.commit();
        m_waiting = countRows() > 0;
    });
}

void PendingQueue::dropExpired()
{
    if (!hasWaiting())
        return;
    guarded([&](const QSqlDatabase& db) {
        FileTransaction transaction(db);
        dropOverBounds();
        transaction.commit();
        m_waiting = countRows() > 0;
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
    if (!hasWaiting())
        return;
    const qint64 waiting = count();
    if (waiting > 0)
        m_log.WriteLog(QStringLiteral("Leituras pendentes aguardando envio: %1").arg(waiting));
}

void PendingQueue::keepRanges(const CollectorIdentity& identity, const RangeTable& table)
{
    QStringList key{identity.Chave, identity.IDServ};
    QList<int> filled;
    for (int number = 1; number <= RangeTable::kSlots; ++number) {
        const RangeSlot& slot = table.slot(number);
        if (slot.StartIp.isEmpty() && slot.EndIp.isEmpty())
            continue;
        filled.append(number);
        key << QString::number(number) << slot.StartIp << slot.EndIp;
    }
    const QString joined = key.join(QChar(u'\x1f'));
    if (joined == m_keptRangesKey)
        return;
    const bool kept = guarded([&](const QSqlDatabase& db) {
        FileTransaction transaction(db);
        run(db, QStringLiteral("delete from FaixasGuardadas"));
        for (int number : filled) {
            const RangeSlot& slot = table.slot(number);
            run(db,
                QStringLiteral("insert into FaixasGuardadas (Faixa, Chave, IDServ, IPINI, IPFIN) values (?, "
                               "?, ?, ?, ?)"),
                {number, identity.Chave, identity.IDServ, slot.StartIp, slot.EndIp});
        }
        transaction.commit();
    });
    if (kept)
        m_keptRangesKey = joined;
}

std::optional<RangeTable> PendingQueue::keptRanges(const CollectorIdentity& identity)
{
    if (!m_open && !QFile::exists(m_file))
        return std::nullopt;
    std::optional<RangeTable> table;
    guarded([&](const QSqlDatabase& db) {
        QSqlQuery rows = run(db,
                             QStringLiteral("select Faixa, IPINI, IPFIN from FaixasGuardadas"
                                            " where Chave = ? and IDServ = ? order by Faixa"),
                             {identity.Chave, identity.IDServ});
        RangeTable kept;
        while (rows.next()) {
            const int number = rows.value(0).toInt();
            if (number < 1 || number > RangeTable::kSlots)
                continue;
            kept.slot(number) = RangeSlot{rows.value(1).toString(), rows.value(2).toString()};
            kept.RangesConfigured = true;
        }
        if (kept.RangesConfigured)
            table = std::move(kept);
    });
    return table;
}

void PendingQueue::keepPauseMinutes(int minutes)
{
    if (m_keptPause == minutes)
        return;
    if (guarded([&](const QSqlDatabase& db) {
            run(db, QStringLiteral("insert or replace into Guardado (Nome, Valor) values ('Pausa', ?)"),
                {QString::number(minutes)});
        }))
        m_keptPause = minutes;
}

std::optional<int> PendingQueue::keptPauseMinutes()
{
    if (m_keptPause)
        return m_keptPause;
    if (!m_open && !QFile::exists(m_file))
        return std::nullopt;
    guarded([&](const QSqlDatabase& db) {
        QSqlQuery row = run(db, QStringLiteral("select Valor from Guardado where Nome = 'Pausa'"));
        bool ok = false;
        const int minutes = row.next() ? row.value(0).toString().toInt(&ok) : 0;
        if (ok && minutes >= 0)
            m_keptPause = minutes;
    });
    return m_keptPause;
}

} // namespace vorenta
