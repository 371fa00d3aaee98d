#include "collector/outage/PendingQueue.h"
#include "tests/outage/QueueTestSupport.h"
#include "tests/support/UnprivilegedScope.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/ReadingFields.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>

namespace vorenta {
namespace {

const QDateTime kNow(QDate(2025, 3, 10), QTime(14, 30, 5));

/// A reading with every field filled with a text of its own, some of them hostile.
PendingReading Pending(const QString& serial, const QDateTime& collected = kNow)
{
    PendingReading p;
    p.ColetadoEm = collected;
    for (const ReadingField& field : kReadingFields)
        p.reading.*field.member = QString::fromLatin1(field.name) + QStringLiteral("-valor");
    p.reading.NSerie = serial;
    p.reading.IP = QStringLiteral(" 127.0.0.7 ");
    p.reading.Modelo = QString::fromUtf8("Série 'X'\r\n\"aspas\" \\ ç");
    p.reading.StatusEquip = QString(QChar(u'\0')) + QStringLiteral("com NUL");
    p.identity = CollectorIdentity{"K1", "S1", "Matriz", "25/12/2030"};
    p.settings.VersionText = QString::fromUtf8(kVersionText);
    p.settings.ComputerName = QStringLiteral("COLETOR-01");
    p.settings.CodEmpresa = QStringLiteral("77");
    p.settings.Contato1 = QStringLiteral("Ana");
    p.settings.Telefone2 = QStringLiteral("11 5555-0002");
    p.settings.email3 = QStringLiteral("c@cliente.com.br");
    p.settings.DateTimeFormat = QString::fromUtf8(kDayFirstFormat);
    return p;
}

/// A queue made and remade on one program folder, as the collector's processes do one after
/// another. The wall clock is the test's `now`; the clock since boot is not known, so ages go
/// by the wall clock (QueueClockTest has the other case).
class PendingQueueTest : public ::testing::Test {
protected:
    struct Made {
        Made(const QString& path, PendingQueueBounds bounds, LogSink& log, const QDateTime& now)
            : file(path, log, [&now] { return now; }),
              queue(file, bounds, log, [&now] { return QueueTime{now, -1, {}}; }), kept(file)
        {
        }
        QueueFile file;
        PendingQueue queue;
        KeptSettings kept;
    };
    std::unique_ptr<Made> makeQueue(PendingQueueBounds bounds = {})
    {
        return std::make_unique<Made>(file(), bounds, log, now);
    }
    QString file() const { return home.file(QStringLiteral("Pendentes.db")); }
    QStringList filesAside() const
    {
        return QDir(home.path()).entryList({QStringLiteral("Pendentes.db.corrompido-*")}, QDir::Files);
    }

    test::TemporaryProgramFolder home;
    test::CapturingLogSink log;
    QDateTime now = kNow;
};

TEST_F(PendingQueueTest, ReadingsComeBackWholeOldestFirstFromAFileThatOutlivesTheProcess)
{
    const PendingReading first = Pending("A-1", kNow.addSecs(-120));
    const PendingReading second = Pending("B-2", kNow.addSecs(-60));
    {
        auto queue = makeQueue();
        EXPECT_FALSE(queue->queue.hasWaiting());
        ASSERT_TRUE(queue->queue.enqueue(first));
        ASSERT_TRUE(queue->queue.enqueue(second));
        EXPECT_EQ(log.lines, QStringList({"Leitura guardada para envio posterior: 127.0.0.7 A-1",
                                          "Leitura guardada para envio posterior: 127.0.0.7 B-2"}));
    }
    auto queue = makeQueue(); // another process, later
    ASSERT_TRUE(queue->queue.hasWaiting());
    EXPECT_EQ(queue->queue.count(), 2);
    std::optional<PendingReading> oldest = queue->queue.oldest();
    ASSERT_TRUE(oldest);
    EXPECT_EQ(oldest->reading, first.reading);
    EXPECT_EQ(oldest->ColetadoEm, first.ColetadoEm);
    EXPECT_EQ(oldest->identity.Chave, "K1");
    EXPECT_EQ(oldest->identity.IDServ, "S1");
    EXPECT_EQ(oldest->identity.InstallationLocation, "Matriz");
    EXPECT_EQ(oldest->identity.IdentityDate, "25/12/2030");
    EXPECT_EQ(oldest->settings.VersionText, first.settings.VersionText);
    EXPECT_EQ(oldest->settings.Telefone2, "11 5555-0002");
    EXPECT_EQ(oldest->settings.email3, "c@cliente.com.br");
    EXPECT_FALSE(oldest->DataLog.isValid()) << "no send began";
    EXPECT_FALSE(oldest->SentWithoutId);
    EXPECT_EQ(oldest->IdLeitura.size(), 36) << "every reading gets an identity of its own";
    const QString firstIdentity = oldest->IdLeitura;
    ASSERT_TRUE(queue->queue.remove({oldest->Id}));
    oldest = queue->queue.oldest();
    ASSERT_TRUE(oldest);
    EXPECT_EQ(oldest->reading.NSerie, "B-2");
    EXPECT_NE(oldest->IdLeitura, firstIdentity);

    // Ids only grow: a reading added after the newest was removed comes after it, never in its place.
    const qint64 removedId = oldest->Id;
    ASSERT_TRUE(queue->queue.remove({removedId}));
    EXPECT_FALSE(queue->queue.hasWaiting());
    ASSERT_TRUE(queue->queue.enqueue(Pending("C-3")));
    EXPECT_GT(queue->queue.oldest()->Id, removedId);
}

TEST_F(PendingQueueTest, TheAgeBoundDropsTheOldestWithOneLinePerPass)
{
    auto queue = makeQueue(PendingQueueBounds{30, 100});
    now = kNow.addDays(-40);
    ASSERT_TRUE(queue->queue.enqueue(Pending("OLD-1", now)));
    now = kNow.addDays(-31);
    ASSERT_TRUE(queue->queue.enqueue(Pending("OLD-2", now)));
    now = kNow.addDays(-2);
    ASSERT_TRUE(queue->queue.enqueue(Pending("RECENT", now)));
    EXPECT_EQ(queue->queue.count(), 2) << "OLD-1 was 38 days old when RECENT came, OLD-2 29";
    now = kNow;
    queue->queue.dropExpired();
    log.lines.clear();
    queue->queue.reportPass();
    EXPECT_EQ(log.lines, QStringList({"Leituras pendentes descartadas por terem mais de 30 dias: 2",
                                      "Leituras pendentes aguardando envio: 1"}));
    EXPECT_EQ(queue->queue.oldest()->reading.NSerie, "RECENT");
    log.lines.clear();
    queue->queue.reportPass();
    EXPECT_EQ(log.lines, QStringList({"Leituras pendentes aguardando envio: 1"})) << "dropped counted once";
}

TEST_F(PendingQueueTest, TheSizeBoundDropsTheOldestFirst)
{
    auto queue = makeQueue(PendingQueueBounds{30, 1});
    for (int n = 1; n <= 6; ++n) {
        PendingReading p = Pending(QStringLiteral("BIG-%1").arg(n), kNow.addSecs(n));
        p.reading.inf1 = QString(300 * 1024, u'x'); // about 0.3 MB each
        ASSERT_TRUE(queue->queue.enqueue(p));
    }
    EXPECT_EQ(queue->queue.count(), 3);
    EXPECT_EQ(queue->queue.oldest()->reading.NSerie, "BIG-4");
    log.lines.clear();
    queue->queue.reportPass();
    EXPECT_EQ(log.lines, QStringList({"Leituras pendentes descartadas pelo limite de 1 MB da fila: 3",
                                      "Leituras pendentes aguardando envio: 3"}));
}

TEST_F(PendingQueueTest, AFileThatIsNoQueueIsMovedAsideAndANewOneTakesTheReading)
{
    const auto validQueueWithVersion = [this](int version) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(file());
            ASSERT_TRUE(db.open());
            QSqlQuery(db).exec(QStringLiteral("pragma user_version=%1").arg(version));
            QSqlQuery(db).exec(QStringLiteral("create table x (y)"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    };
    const struct {
        const char* name;
        std::function<void()> make;
    } cases[] = {
        {"not a database",
         [this] { home.write(QString::fromLatin1(QueueFile::kFileName), QByteArray(8192, 'z')); }},
        {"damaged pages",
         [this] {
             {
                 auto queue = makeQueue();
                 for (int n = 0; n < 50; ++n)
                     ASSERT_TRUE(queue->queue.enqueue(Pending(QStringLiteral("S-%1").arg(n))));
             }
             QFile f(file());
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             QByteArray bytes = f.readAll();
             for (qsizetype i = 4096; i < bytes.size(); i += 7)
                 bytes[i] = char(0xA5);
             f.seek(0);
             f.write(bytes);
         }},
        {"a version this program does not know", [&] { validQueueWithVersion(7); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(file());
        QFile::remove(file() + "-wal");
        QFile::remove(file() + "-shm");
        for (const QString& aside : filesAside())
            QFile::remove(home.file(aside));
        c.make();
        const QByteArray before = home.read(QString::fromLatin1(QueueFile::kFileName));
        log.lines.clear();

        auto queue = makeQueue();
        EXPECT_TRUE(queue->queue.enqueue(Pending("NEW-1"))) << log.lines.join('\n').toStdString();
        EXPECT_EQ(queue->queue.count(), 1);
        const QStringList aside = filesAside();
        ASSERT_EQ(aside.size(), 1) << log.lines.join('\n').toStdString();
        EXPECT_EQ(aside[0], "Pendentes.db.corrompido-20250310-143005");
        EXPECT_EQ(home.read(aside[0]), before) << "kept as it was";
        ASSERT_EQ(log.lines.size(), 2) << log.lines.join('\n').toStdString();
        EXPECT_TRUE(log.lines[0].startsWith("Fila de leituras pendentes ilegível ("))
            << log.lines[0].toStdString();
        EXPECT_TRUE(
            log.lines[0].endsWith(", movida para Pendentes.db.corrompido-20250310-143005; uma nova foi "
                                  "iniciada."))
            << log.lines[0].toStdString();
        EXPECT_EQ(log.lines[1], "Leitura guardada para envio posterior: 127.0.0.7 NEW-1");
    }
}

TEST_F(PendingQueueTest, AQueueThatCannotBeMadeSaysSoOncePerPassAndNeverThrows)
{
    test::QueueUnderTest q({}, home.file("missing-folder/Pendentes.db"));
    EXPECT_FALSE(q.queue.enqueue(Pending("LOST-1")));
    EXPECT_FALSE(q.queue.enqueue(Pending("LOST-2")));
    ASSERT_EQ(q.log.lines.size(), 1) << q.log.lines.join('\n').toStdString();
    EXPECT_TRUE(q.log.lines[0].startsWith("Erro na fila de leituras pendentes Pendentes.db: "))
        << q.log.lines[0].toStdString();
    EXPECT_FALSE(q.queue.hasWaiting());
    EXPECT_FALSE(q.queue.oldest());
    EXPECT_FALSE(q.kept.keptRanges(CollectorIdentity{"K1", "S1", {}, {}}));
    q.queue.reportPass();
    EXPECT_FALSE(q.queue.enqueue(Pending("LOST-3")));
    EXPECT_EQ(q.log.lines.size(), 2) << "said again in the next pass, once";
}

// A healthy queue that cannot be used now is left where it is, with its readings, and used again
// once the cause is gone: only SQLite's own word makes a file damaged.
TEST_F(PendingQueueTest, AHealthyQueueThatCannotBeUsedNowStaysWhereItIsWithItsReadings)
{
    {
        auto queue = makeQueue();
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(queue->queue.enqueue(Pending(QStringLiteral("W-%1").arg(n))));
    }
    const struct {
        const char* name;
        int fileMode;
        int folderMode;
    } cases[] = {
        {"the file left to root by a run as root", 0644, 0777},
        {"the file and its folder read-only", 0644, 0555},
    };
    const QByteArray folder = QFile::encodeName(home.path());
    const QByteArray path = QFile::encodeName(file());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray before = home.read(QStringLiteral("Pendentes.db"));
        ::chmod(path.constData(), c.fileMode);
        ::chmod(folder.constData(), c.folderMode);
        log.lines.clear();
        {
            test::UnprivilegedScope service; // root may write anything
            auto queue = makeQueue();
            EXPECT_FALSE(queue->queue.enqueue(Pending("NEW")));
            EXPECT_FALSE(queue->queue.enqueue(Pending("NEW-2")));
            ASSERT_EQ(log.lines.size(), 1) << log.lines.join('\n').toStdString();
            EXPECT_TRUE(log.lines[0].startsWith(
                "Fila de leituras pendentes Pendentes.db sem permissão de escrita para o usuário nobody; "
                "corrija o dono do arquivo ("))
                << log.lines[0].toStdString();
        }
        ::chmod(folder.constData(), 0700);
        ::chmod(path.constData(), 0600);
        EXPECT_TRUE(filesAside().isEmpty()) << "not moved aside";
        EXPECT_EQ(home.read(QStringLiteral("Pendentes.db")), before);
        auto queue = makeQueue();
        EXPECT_EQ(queue->queue.count(), 3) << "every reading still there";
    }
}

// Someone holds the file's lock (sqlite3 open on it with a write transaction): the enqueue gives
// up after the busy wait, one line, and the file stays.
TEST_F(PendingQueueTest, AQueueHeldUnderAnExclusiveLockIsNotMovedAside)
{
    {
        auto queue = makeQueue();
        ASSERT_TRUE(queue->queue.enqueue(Pending("W-1")));
    }
    QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
    holder.setDatabaseName(file());
    ASSERT_TRUE(holder.open());
    ASSERT_TRUE(QSqlQuery(holder).exec(QStringLiteral("begin exclusive")));
    log.lines.clear();
    {
        auto queue = makeQueue();
        EXPECT_FALSE(queue->queue.enqueue(Pending("NEW")));
        ASSERT_EQ(log.lines.size(), 1) << log.lines.join('\n').toStdString();
        EXPECT_TRUE(log.lines[0].startsWith("Fila de leituras pendentes Pendentes.db em uso por outro programa"))
            << log.lines[0].toStdString();
    }
    QSqlQuery(holder).exec(QStringLiteral("rollback"));
    holder.close();
    holder = {};
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    EXPECT_TRUE(filesAside().isEmpty());
    auto queue = makeQueue();
    EXPECT_EQ(queue->queue.count(), 1);
}

// A second damaged file moved aside in the same second gets the next free name; without the
// number the rename would fail forever.
TEST_F(PendingQueueTest, ASecondDamagedFileInTheSameSecondIsNumbered)
{
    for (int round = 1; round <= 2; ++round) {
        home.write(QStringLiteral("Pendentes.db"), QByteArray(8192, 'z'));
        auto queue = makeQueue();
        // A rename loop that never finds a free name would hang the collector: fail instead.
        auto enqueued = std::async(std::launch::async, [&] { return queue->queue.enqueue(Pending("NEW")); });
        if (enqueued.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
            ADD_FAILURE() << "the damaged file of round " << round << " was not moved aside within 30 s";
            std::fflush(nullptr);
            std::_Exit(1); // the thread cannot be ended; the test program can
        }
        EXPECT_TRUE(enqueued.get());
    }
    QStringList aside = filesAside();
    aside.sort();
    EXPECT_EQ(aside, QStringList({"Pendentes.db.corrompido-20250310-143005",
                                  "Pendentes.db.corrompido-20250310-143005-2"}));
}

// The age bound at its edges: 30 days less a minute is kept, 30 days and a minute is dropped.
TEST_F(PendingQueueTest, TheAgeBoundAtItsEdges)
{
    auto queue = makeQueue(PendingQueueBounds{30, 100});
    ASSERT_TRUE(queue->queue.enqueue(Pending("KEPT", kNow.addDays(-30).addSecs(60))));
    ASSERT_TRUE(queue->queue.enqueue(Pending("DROPPED", kNow.addDays(-30).addSecs(-60))));
    queue->queue.dropExpired();
    EXPECT_EQ(queue->queue.count(), 1);
    EXPECT_EQ(queue->queue.oldest()->reading.NSerie, "KEPT");
}

// The size bound counts every byte a row costs: its texts (the reading as stored, the four keys
// and its identity) and 64 bytes of its own. Two rows that make exactly the bound are kept; one
// byte more drops the older.
TEST_F(PendingQueueTest, TheSizeBoundAtItsByteEdge)
{
    const auto withInf1 = [](qsizetype length) {
        PendingReading p = Pending("EDGE");
        p.reading.inf1 = QString(length, u'x');
        return p;
    };
    // The texts of a row with a one-character inf1, measured in the file by SQL.
    qint64 textsOfOne = 0;
    {
        test::QueueUnderTest probe;
        ASSERT_TRUE(probe.queue.enqueue(withInf1(1)));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("size"));
        db.setDatabaseName(probe.path());
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("select length(cast(Leitura as blob)) + length(cast(Chave as blob))"
                                          " + length(cast(IDServ as blob)) + length(cast(IP as blob))"
                                          " + length(cast(NSerie as blob)) + length(IdLeitura) from Pendentes")));
        ASSERT_TRUE(q.next());
        textsOfOne = q.value(0).toLongLong();
        q = QSqlQuery();
        db.close();
        db = {};
        QSqlDatabase::removeDatabase(QStringLiteral("size"));
    }
    const qint64 rowOfOne = textsOfOne + 64;
    const qint64 bound = 1024 * 1024;
    const qint64 first = rowOfOne + 999; // inf1 of 1000 characters
    for (const qint64 over : {0, 1}) {
        SCOPED_TRACE(over);
        test::QueueUnderTest q(PendingQueueBounds{30, 1});
        ASSERT_TRUE(q.queue.enqueue(withInf1(1000)));
        const qint64 second = bound - first + over;
        ASSERT_TRUE(q.queue.enqueue(withInf1(second - rowOfOne + 1)));
        EXPECT_EQ(q.queue.count(), over == 0 ? 2 : 1);
    }
}

TEST_F(PendingQueueTest, RangesAndRestAreKeptForTheCollectorThatLoadedThem)
{
    const CollectorIdentity site{"K1", "S1", {}, {}};
    RangeTable loaded;
    loaded.RangesConfigured = true;
    loaded.slot(1) = {"127.0.0.2", "127.0.0.9"};
    loaded.slot(2) = {"", "127.0.1.9"}; // a blank start, walked as blank
    loaded.slot(999) = {" 127.0.2.1 ", "127.0.2.5"};
    {
        auto queue = makeQueue();
        EXPECT_FALSE(queue->kept.keptRanges(site)) << "none kept yet";
        EXPECT_FALSE(queue->kept.keptPauseMinutes());
        queue->kept.keepRanges(site, loaded);
        queue->kept.keepPauseMinutes(15);
    }
    auto queue = makeQueue();
    const std::optional<RangeTable> kept = queue->kept.keptRanges(site);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->RangesConfigured);
    for (int number = 1; number <= RangeTable::kSlots; ++number) {
        EXPECT_EQ(kept->slot(number).StartIp, loaded.slot(number).StartIp) << number;
        EXPECT_EQ(kept->slot(number).EndIp, loaded.slot(number).EndIp) << number;
    }
    EXPECT_EQ(queue->kept.keptPauseMinutes(), 15);
    EXPECT_FALSE(queue->kept.keptRanges(CollectorIdentity{"K1", "S2", {}, {}})) << "another collector's ranges";

    queue->kept.keepRanges(site, RangeTable{}); // the central database now has none for this collector
    EXPECT_FALSE(queue->kept.keptRanges(site));
    EXPECT_TRUE(log.lines.isEmpty()) << log.lines.join('\n').toStdString();
}

TEST(PendingQueueBoundsTest, ReadFromColetorIni)
{
    const struct {
        QByteArray lines;
        int days;
        int megabytes;
        QStringList notices;
    } cases[] = {
        {"", 30, 100, {}},
        {"PendentesDias=7\r\nPendentesMB=20\r\n", 7, 20, {}},
        {"pendentesdias= 90 \r\nPENDENTESMB=1\r\n", 90, 1, {}},
        {"PendentesDias=0\r\nPendentesMB=-5\r\n",
         30,
         100,
         {"PendentesDias inválido em Coletor.ini: 0; usando 30.",
          "PendentesMB inválido em Coletor.ini: -5; usando 100."}},
        {"PendentesDias=muitos\r\nPendentesMB=999999999\r\n",
         30,
         100000,
         {"PendentesDias inválido em Coletor.ini: muitos; usando 30.",
          "PendentesMB inválido em Coletor.ini: 999999999; usando 100000."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.toStdString());
        test::TemporaryProgramFolder home;
        home.writeIdentity("K1", "S1", {}, {}, c.lines);
        QStringList notices;
        const PendingQueueBounds bounds = LoadPendingQueueBounds(home.path(), notices);
        EXPECT_EQ(bounds.maxAgeDays, c.days);
        EXPECT_EQ(bounds.maxMegabytes, c.megabytes);
        EXPECT_EQ(notices, c.notices);
    }
}

} // namespace
} // namespace vorenta
