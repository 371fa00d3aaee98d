#include "collector/database/PendingQueue.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/ReadingFields.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <functional>
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

class PendingQueueTest : public ::testing::Test {
protected:
    std::unique_ptr<PendingQueue> makeQueue(PendingQueueBounds bounds = {})
    {
        return std::make_unique<PendingQueue>(file(), bounds, log, [this] { return now; });
    }
    QString file() const { return home.file(QString::fromLatin1(PendingQueue::kFileName)); }
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
        EXPECT_FALSE(queue->hasWaiting());
        ASSERT_TRUE(queue->enqueue(first));
        ASSERT_TRUE(queue->enqueue(second));
        EXPECT_EQ(log.lines, QStringList({"Leitura guardada para envio posterior: 127.0.0.7 A-1",
                                          "Leitura guardada para envio posterior: 127.0.0.7 B-2"}));
    }
    auto queue = makeQueue(); // another process, later
    ASSERT_TRUE(queue->hasWaiting());
    EXPECT_EQ(queue->count(), 2);
    std::optional<PendingReading> oldest = queue->oldest();
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

    const QDateTime dataLog(QDate(2025, 3, 10), QTime(15, 28, 0));
    PendingReading marked = *oldest;
    marked.DataLog = dataLog;
    ASSERT_TRUE(queue->markSending({marked}));
    EXPECT_EQ(queue->oldest()->DataLog, dataLog);
    ASSERT_TRUE(queue->remove({oldest->Id}));
    oldest = queue->oldest();
    ASSERT_TRUE(oldest);
    EXPECT_EQ(oldest->reading.NSerie, "B-2");

    // Ids only grow: a reading added after the newest was removed comes after it, never in its place.
    const qint64 removedId = oldest->Id;
    ASSERT_TRUE(queue->remove({removedId}));
    EXPECT_FALSE(queue->hasWaiting());
    ASSERT_TRUE(queue->enqueue(Pending("C-3")));
    EXPECT_GT(queue->oldest()->Id, removedId);
}

TEST_F(PendingQueueTest, TheAgeBoundDropsTheOldestWithOneLinePerPass)
{
    auto queue = makeQueue(PendingQueueBounds{30, 100});
    now = kNow.addDays(-40);
    ASSERT_TRUE(queue->enqueue(Pending("OLD-1", now)));
    now = kNow.addDays(-31);
    ASSERT_TRUE(queue->enqueue(Pending("OLD-2", now)));
    now = kNow.addDays(-2);
    ASSERT_TRUE(queue->enqueue(Pending("RECENT", now)));
    EXPECT_EQ(queue->count(), 2) << "OLD-1 was 38 days old when RECENT came, OLD-2 29";
    now = kNow;
    queue->dropExpired();
    log.lines.clear();
    queue->reportPass();
    EXPECT_EQ(log.lines, QStringList({"Leituras pendentes descartadas por terem mais de 30 dias: 2",
                                      "Leituras pendentes aguardando envio: 1"}));
    EXPECT_EQ(queue->oldest()->reading.NSerie, "RECENT");
    log.lines.clear();
    queue->reportPass();
    EXPECT_EQ(log.lines, QStringList({"Leituras pendentes aguardando envio: 1"})) << "dropped counted once";
}

TEST_F(PendingQueueTest, TheSizeBoundDropsTheOldestFirst)
{
    auto queue = makeQueue(PendingQueueBounds{30, 1});
    for (int n = 1; n <= 6; ++n) {
        PendingReading p = Pending(QStringLiteral("BIG-%1").arg(n), kNow.addSecs(n));
        p.reading.inf1 = QString(300 * 1024, u'x'); // about 0.3 MB each
        ASSERT_TRUE(queue->enqueue(p));
    }
    EXPECT_EQ(queue->count(), 3);
    EXPECT_EQ(queue->oldest()->reading.NSerie, "BIG-4");
    log.lines.clear();
    queue->reportPass();
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
         [this] { home.write(QString::fromLatin1(PendingQueue::kFileName), QByteArray(8192, 'z')); }},
        {"damaged pages",
         [this] {
             {
                 auto queue = makeQueue();
                 for (int n = 0; n < 50; ++n)
                     ASSERT_TRUE(queue->enqueue(Pending(QStringLiteral("S-%1").arg(n))));
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
        const QByteArray before = home.read(QString::fromLatin1(PendingQueue::kFileName));
        log.lines.clear();

        auto queue = makeQueue();
        EXPECT_TRUE(queue->enqueue(Pending("NEW-1"))) << log.lines.join('\n').toStdString();
        EXPECT_EQ(queue->count(), 1);
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

TEST_F(PendingQueueTest, AQueueThatCannotBeWrittenLosesTheReadingWithALineAndNeverThrows)
{
    PendingQueue queue(home.file("missing-folder/Pendentes.db"), {}, log, [this] { return now; });
    EXPECT_FALSE(queue.enqueue(Pending("LOST-1")));
    ASSERT_EQ(log.lines.size(), 2) << log.lines.join('\n').toStdString();
    EXPECT_TRUE(log.lines[0].startsWith("Erro na fila de leituras pendentes Pendentes.db: "));
    EXPECT_EQ(log.lines[1],
              "Leitura perdida, não foi possível guardá-la para envio posterior: 127.0.0.7 LOST-1");
    EXPECT_FALSE(queue.hasWaiting());
    EXPECT_FALSE(queue.oldest());
    EXPECT_FALSE(queue.keptRanges(CollectorIdentity{"K1", "S1", {}, {}}));
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
        EXPECT_FALSE(queue->keptRanges(site)) << "none kept yet";
        EXPECT_FALSE(queue->keptPauseMinutes());
        queue->keepRanges(site, loaded);
        queue->keepPauseMinutes(15);
    }
    auto queue = makeQueue();
    const std::optional<RangeTable> kept = queue->keptRanges(site);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->RangesConfigured);
    for (int number = 1; number <= RangeTable::kSlots; ++number) {
        EXPECT_EQ(kept->slot(number).StartIp, loaded.slot(number).StartIp) << number;
        EXPECT_EQ(kept->slot(number).EndIp, loaded.slot(number).EndIp) << number;
    }
    EXPECT_EQ(queue->keptPauseMinutes(), 15);
    EXPECT_FALSE(queue->keptRanges(CollectorIdentity{"K1", "S2", {}, {}})) << "another collector's ranges";

    queue->keepRanges(site, RangeTable{}); // the central database now has none for this collector
    EXPECT_FALSE(queue->keptRanges(site));
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
