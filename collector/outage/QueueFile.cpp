#include "QueueFile.h"

#include "common/FileAccess.h"
#include "common/database/SqlQuery.h"
#include "common/database/Transaction.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace vorenta {

namespace {

// SQLite's primary result codes that tell what went wrong.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqlitePermission = 3;
constexpr int kSqliteNotADatabase = 26;

constexpr int kSchemaVersion = 2;

// The file's tables. Pendentes: one row per waiting reading, oldest first by Id (AUTOINCREMENT:
// an Id is never given twice, even after the newest row was removed). Chave, IDServ, IP and
// NSerie are there for a person reading the file; Leitura holds everything the store writes.
// FaixasGuardadas and Guardado: the ranges and the rest last read from the central database.
const char* const kFirstSchema[] = {
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

// Version 2: every reading its own identity (IdLeitura, sent with it to DadosOid), the clock
// since boot beside the wall clock (a clock corrected during an outage must not age or date a
// reading wrongly), and EnvioSemId for a reading whose live store broke during its commit (it
// went without an identity, so it is looked for by its keys). A file of version 1 is upgraded:
// its readings get identities here, and those whose send began went without one.
const char* const kSecondSchema[] = {
    "alter table Pendentes add column IdLeitura text",
    "update Pendentes set IdLeitura = lower(hex(randomblob(16))) where IdLeitura is null",
    "alter table Pendentes add column Boot integer",
    "alter table Pendentes add column BootId text",
    "alter table Pendentes add column EnvioSemId integer not null default 0",
    "update Pendentes set EnvioSemId = 1 where DataLog is not null",
};

/// A text of the driver or of the file's check on one line of the log.
QString oneLine(QString text)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n\\t]+\\s*"));
    return text.replace(breaks, QStringLiteral(" ")).trimmed();
}

void run(DatabaseConnection& connection, const QString& statement)
{
    SqlQuery query(connection);
    query.addLine(statement);
    query.execute();
}

/// A failure the file's own check found: SQLite's word that it is damaged.
DatabaseError damaged(const QString& text)
{
    return DatabaseError(text, QString::number(kSqliteCorrupt));
}

} // namespace

QueueFault ClassifyQueueFailure(int code, const QString& file)
{
    if (code == kSqliteCorrupt || code == kSqliteNotADatabase)
        return QueueFault::Damaged;
    if (code == kSqliteBusy || code == kSqliteLocked)
        return QueueFault::Busy;
    // SQLite reports a full disk as SQLITE_FULL, or as an I/O error when the journal could not
    // grow; a file of another user as READONLY, CANTOPEN or an I/O error. The file system tells.
    switch (CheckWritable(file).fault) {
    case WriteFault::NoSpace:
        return QueueFault::DiskFull;
    case WriteFault::NoPermission:
        return QueueFault::NoPermission;
    case WriteFault::None:
        break;
    }
    if (code == kSqliteFull)
        return QueueFault::DiskFull;
    if (code == kSqliteReadOnly || code == kSqlitePermission)
        return QueueFault::NoPermission;
    return QueueFault::Other;
}

QueueFile::QueueFile(QString path, LogSink& log, Clock clock)
    : m_path(std::move(path)), m_log(log), m_clock(std::move(clock))
{
}

QueueFile::~QueueFile()
{
    close();
}

bool QueueFile::present() const
{
    return isOpen() || QFile::exists(m_path);
}

void QueueFile::close()
{
    m_connection.reset();
}

bool QueueFile::use(const Work& work)
{
    for (int attempt = 0;; ++attempt) {
        try {
            if (!isOpen())
                open();
            work(*m_connection);
            m_lastFault.reset();
            return true;
        } catch (const DatabaseError& error) {
            close();
            const QueueFault fault = ClassifyQueueFailure(error.sqlitePrimaryCode(), m_path);
            if (fault == QueueFault::Damaged && attempt == 0 && QFile::exists(m_path)) {
                moveAside(oneLine(error.text()));
                continue;
            }
            m_lastFault = fault;
            report(fault, oneLine(error.text()));
            return false;
        }
    }
}

void QueueFile::open()
{
    DatabaseSettings settings = DatabaseSettings::embedded(QFileInfo(m_path).absolutePath());
    settings.databaseName = m_path;
    settings.programDatabase = false;
    settings.commandTimeoutSeconds = kBusySeconds; // someone reading it with sqlite3
    auto connection = std::make_unique<DatabaseConnection>(settings);
    connection->open();
    check(*connection);
    createTables(*connection);
    // Write-ahead log, synced at every commit: a reading the queue said it kept survives a crash
    // or a power cut. Set once the file is known to be a queue: a file moved aside stays as found.
    run(*connection, QStringLiteral("pragma journal_mode=wal"));
    run(*connection, QStringLiteral("pragma synchronous=full"));
    m_connection = std::move(connection);
    ++m_opening;
}

void QueueFile::check(DatabaseConnection& connection)
{
    SqlQuery check(connection);
    check.addLine(QStringLiteral("pragma quick_check"));
    check.open();
    QStringList problems;
    for (; !check.atEnd(); check.next())
        problems.append(check.text(QStringLiteral("quick_check")));
    if (problems != QStringList{QStringLiteral("ok")})
        throw damaged(QStringLiteral("arquivo danificado: ") + oneLine(problems.join(u' ')));
}

void QueueFile::createTables(DatabaseConnection& connection)
{
    SqlQuery version(connection);
    version.addLine(QStringLiteral("pragma user_version"));
    version.open();
    const qint64 found = version.integer(QStringLiteral("user_version"));
    version.close();
    if (found == kSchemaVersion)
        return;
    if (found != 0 && found != 1)
        throw damaged(QStringLiteral("versão desconhecida da fila: %1").arg(found));
    Transaction transaction(connection);
    if (found == 0)
        for (const char* statement : kFirstSchema)
            run(connection, QString::fromLatin1(statement));
    for (const char* statement : kSecondSchema)
        run(connection, QString::fromLatin1(statement));
    run(connection, QStringLiteral("pragma user_version=%1").arg(kSchemaVersion));
    transaction.commit();
}

void QueueFile::moveAside(const QString& why)
{
    const QString stamp = m_clock().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = m_path + QStringLiteral(".corrompido-") + stamp;
    for (int n = 2; QFile::exists(target); ++n)
        target = m_path + QStringLiteral(".corrompido-") + stamp + u'-' + QString::number(n);
    if (!QFile::rename(m_path, target)) {
        m_log.WriteLog(QStringLiteral("Fila de leituras pendentes ilegível (") + why +
                       QStringLiteral(") e não foi possível movê-la: ") + m_path);
        return;
    }
    // The write-ahead log belongs to the file: it goes along under the matching name.
    for (const char* part : {"-wal", "-shm"}) {
        const QString from = m_path + QString::fromLatin1(part);
        if (QFile::exists(from) && !QFile::rename(from, target + QString::fromLatin1(part)))
            QFile::remove(from);
    }
    m_log.WriteLog(QStringLiteral("Fila de leituras pendentes ilegível (") + why +
                   QStringLiteral("), movida para ") + QFileInfo(target).fileName() +
                   QStringLiteral("; uma nova foi iniciada."));
}

void QueueFile::report(QueueFault fault, const QString& text)
{
    if (m_reported == fault)
        return;
    m_reported = fault;
    const QString file = QFileInfo(m_path).fileName();
    const QString head = QStringLiteral("Fila de leituras pendentes ") + file;
    switch (fault) {
    case QueueFault::DiskFull:
        m_log.WriteLog(head + QStringLiteral(" sem espaço em disco; libere espaço em ") +
                       QFileInfo(m_path).absolutePath() + QStringLiteral(" (") + text + u')');
        return;
    case QueueFault::NoPermission:
        m_log.WriteLog(head + QStringLiteral(" sem permissão de escrita para o usuário ") + CurrentUserName() +
                       QStringLiteral("; corrija o dono do arquivo (") + m_path + QStringLiteral(": ") + text +
                       u')');
        return;
    case QueueFault::Busy:
        m_log.WriteLog(head + QStringLiteral(" em uso por outro programa; nova tentativa na próxima leitura (") +
                       text + u')');
        return;
    case QueueFault::Damaged: // a second damage right after a new file was started
    case QueueFault::Other:
        break;
    }
    m_log.WriteLog(QStringLiteral("Erro na fila de leituras pendentes ") + file + QStringLiteral(": ") + text);
}

} // namespace vorenta
