#include "ModalScript.h"
#include "ToolFixture.h"

#include "config_tool/ServerSettings.h"
#include "tests/support/UnprivilegedScope.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace vorenta::test {
namespace {

/// Python's http.server on 127.0.0.1, serving a folder that holds Vorenta/Vorenta.txt.
class LoopbackWebServer {
public:
    LoopbackWebServer() : m_port(UnusedLoopbackPort())
    {
        QDir(m_root.path()).mkpath(QStringLiteral("Vorenta"));
        m_process.start(QStringLiteral("python3"),
                        {QStringLiteral("-m"), QStringLiteral("http.server"), QStringLiteral("--bind"),
                         QStringLiteral("127.0.0.1"), QString::number(m_port), QStringLiteral("--directory"),
                         m_root.path()});
    }
    ~LoopbackWebServer()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }

    /// True once the server accepts connections. Python needs a moment to start, and many
    /// moments on a machine busy with a parallel test run: wait up to a minute.
    bool ready()
    {
        QDeadlineTimer deadline(std::chrono::minutes(1));
        while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress(QHostAddress::LocalHost), m_port);
            if (probe.waitForConnected(100))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    void serve(const QByteArray& settingsText)
    {
        QFile out(QDir(m_root.path()).filePath(QStringLiteral("Vorenta/Vorenta.txt")));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(settingsText);
    }

    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

private:
    QTemporaryDir m_root;
    quint16 m_port;
    QProcess m_process;
};

class SettingsDownloadTest : public ToolTest {
protected:
    /// Coletor.ini whose own database name leads nowhere: only the served settings reach the
    /// test database.
    void SetUp() override
    {
        ToolTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        QByteArray banco = db().bancoSection();
        banco.replace("BancoDados=" + db().settings().databaseName.toUtf8(), "BancoDados=" + kMissing);
        writeColetor(banco);
        database = std::make_unique<SqlToolDatabase>(LoadDatabaseSettings(programFolder()), programFolder());
    }
    void TearDown() override
    {
        database.reset();
        ToolTest::TearDown();
    }

    /// The settings text that leads to the test database.
    QByteArray realSettings()
    {
        const DatabaseSettings& real = db().settings();
        const QByteArray servidor = real.backend == DatabaseBackend::Sqlite
                                        ? QByteArray()
                                        : real.host.toUtf8() + "," + QByteArray::number(real.port);
        return "[CONFIG]\r\nServidor=" + servidor + "\r\nBancoDados=" + real.databaseName.toUtf8() + "\r\n";
    }
    bool settingsFileLeft() { return QFile::exists(db().folder().file(QStringLiteral("Vorenta.ini"))); }

    /// True when the tool's connection reaches the test database: its insert shows there.
    bool reachesTestDatabase()
    {
        database->insertRange(QStringLiteral("probe"), QStringLiteral("probe"), QStringLiteral("1"),
                              QStringLiteral("2"));
        return db().count(QStringLiteral("RangeIP"), QStringLiteral("CHAVE = 'probe'")) == 1;
    }

    static inline const QByteArray kMissing = "vorenta_missing_db";
    std::unique_ptr<SqlToolDatabase> database;
};

TEST_P(SettingsDownloadTest, ServedSettingsChooseTheDatabaseAndTheFileIsRemoved)
{
    LoopbackWebServer web;
    web.serve(realSettings());
    ASSERT_TRUE(web.ready());
    EXPECT_TRUE(ConnectToServer(programFolder(), web.url(), *database, log))
        << log.lines.join(u'\n').toStdString();
    EXPECT_TRUE(reachesTestDatabase());
    EXPECT_FALSE(settingsFileLeft());
    // One line says which settings were used and where they came from.
    ASSERT_EQ(log.lines.size(), 1) << log.lines.join(u'\n').toStdString();
    EXPECT_TRUE(log.lines[0].startsWith("Configurações baixadas de " + web.url() + "/Vorenta/Vorenta.txt: Servidor=" +
                                        db().settings().host + "," + QString::number(db().settings().port) +
                                        " BancoDados=" + db().settings().databaseName +
                                        "; banco de dados em uso: " + db().settings().databaseName + " em "))
        << log.lines[0].toStdString();
}

TEST_P(SettingsDownloadTest, HandMadeFileIsUsedOnceWhenTheServerIsDown)
{
    const QString down = QStringLiteral("http://127.0.0.1:%1").arg(UnusedLoopbackPort());
    db().folder().write(QStringLiteral("Vorenta.ini"), realSettings());
    EXPECT_TRUE(ConnectToServer(programFolder(), down, *database, log));
    EXPECT_TRUE(reachesTestDatabase());
    EXPECT_FALSE(settingsFileLeft());

    // Next start: no file any more, so the collector's own settings apply.
    ConnectToServer(programFolder(), down, *database, log);
    EXPECT_TRUE(database->current().databaseName.endsWith(QString::fromUtf8(kMissing)));
}

// The downloaded settings name a server database: they apply to the server back ends only.
INSTANTIATE_TEST_SUITE_P(ServerBackends, SettingsDownloadTest, ::testing::Values(TestBackend::PostgreSql),
                         BackendName);

class EmbeddedDatabaseDownloadTest : public ToolTest {};

TEST_P(EmbeddedDatabaseDownloadTest, ServedSettingsLeaveTheCollectorsOwnFile)
{
    // The provider's file names its SQL Server database; beside a collector on the embedded
    // database that name would become a new, empty SQLite file whose ranges nobody walks.
    LoopbackWebServer web;
    web.serve("[CONFIG]\r\nServidor=db.provedor.example\r\nBancoDados=Brisolt\r\n");
    ASSERT_TRUE(web.ready());
    SqlToolDatabase database(LoadDatabaseSettings(programFolder()), programFolder());
    EXPECT_TRUE(ConnectToServer(programFolder(), web.url(), database, log))
        << log.lines.join(u'\n').toStdString();
    EXPECT_EQ(database.current().databaseName, db().settings().databaseName);
    database.insertRange(kChave, kIdServ, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.9"));
    EXPECT_EQ(db().count(QStringLiteral("RangeIP")), 1) << "the range is in the collector's database";
    EXPECT_FALSE(QFile::exists(db().folder().file(QStringLiteral("Brisolt"))));
    EXPECT_FALSE(QFile::exists(db().folder().file(QStringLiteral("Vorenta.ini"))));
}

INSTANTIATE_TEST_SUITE_P(Embedded, EmbeddedDatabaseDownloadTest, ::testing::Values(TestBackend::Sqlite),
                         BackendName);

/// Records what the start-up asked to connect to; the download and the file are real.
class RecordingDatabase final : public ToolDatabase {
public:
    ServerSettings defaults() const override
    {
        return {QStringLiteral("default-host"), QStringLiteral("Brisolt")};
    }
    void connect(const ServerSettings& settings) override { connected.append(settings); }
    QString passwordOf(const QString&) override { return {}; }
    QList<RangeRow> listRanges(const QString&, const QString&) override { return {}; }
    void insertRange(const QString&, const QString&, const QString&, const QString&) override {}
    void deleteRange(qint64) override {}
    QList<DeviceRow> listDevices(const QString&, const QString&) override { return {}; }
    QDateTime lastPass(const QString&, const QString&) override { return {}; }
    QString describe() const override { return QStringLiteral("gravado"); }

    QList<ServerSettings> connected;
};

TEST(SettingsFile, MissingKeyGivesTheEmptyTextNotTheDefault)
{
    TemporaryProgramFolder folder;
    LoopbackWebServer web;
    web.serve("[config]\r\nservidor=dbhost,1433\r\n");
    ASSERT_TRUE(web.ready());
    CapturingLogSink log;
    RecordingDatabase database;
    EXPECT_TRUE(ConnectToServer(folder.path(), web.url(), database, log));
    ASSERT_EQ(database.connected.size(), 1);
    EXPECT_EQ(database.connected[0].Servidor, QStringLiteral("dbhost,1433"));
    EXPECT_EQ(database.connected[0].BancoDados, QString());
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Vorenta.ini"))));
}

TEST(SettingsFile, WithoutServerOrFileTheDefaultsApply)
{
    TemporaryProgramFolder folder;
    CapturingLogSink log;
    RecordingDatabase database;
    ConnectToServer(folder.path(), QStringLiteral("http://127.0.0.1:%1").arg(UnusedLoopbackPort()), database,
                    log);
    ASSERT_EQ(database.connected.size(), 1);
    EXPECT_EQ(database.connected[0].Servidor, QStringLiteral("default-host"));
    EXPECT_EQ(database.connected[0].BancoDados, QStringLiteral("Brisolt"));
}

TEST(SettingsFile, FailedDownloadsLeaveAnExistingFileAlone)
{
    TemporaryProgramFolder folder;
    folder.write(QStringLiteral("Vorenta.ini"), "kept");
    const QString path = folder.file(QStringLiteral("Vorenta.ini"));

    LoopbackWebServer web; // serves no Vorenta/Vorenta.txt: 404
    ASSERT_TRUE(web.ready());
    EXPECT_FALSE(DownloadFile(QUrl(web.url() + QString::fromLatin1(kSettingsResource)), path));

    QTcpServer silent; // accepts and never answers: the time-out ends the wait
    ASSERT_TRUE(silent.listen(QHostAddress(QHostAddress::LocalHost), 0));
    EXPECT_FALSE(
        DownloadFile(QUrl(QStringLiteral("http://127.0.0.1:%1/Vorenta/Vorenta.txt").arg(silent.serverPort())),
                     path, std::chrono::milliseconds(300)));
    EXPECT_EQ(folder.read(QStringLiteral("Vorenta.ini")), QByteArray("kept"));
}

TEST(SettingsFile, WebServerComesFromColetorIniOrTheBuild)
{
    TemporaryProgramFolder folder;
    EXPECT_EQ(ProviderWebUrl(folder.path()), QStringLiteral(VORENTA_PROVIDER_WEB_URL));
    folder.writeIdentity(QStringLiteral("K"), QStringLiteral("S"), {}, {},
                         "[CONFIG]\r\nServidorWeb= http://127.0.0.1:8 \r\n");
    EXPECT_EQ(ProviderWebUrl(folder.path()), QStringLiteral("http://127.0.0.1:8"));
}

} // namespace
} // namespace vorenta::test

namespace vorenta::test {
namespace {

TEST(SettingsFile, UndeletableFileIsStillUsedAndTheFailureLogged)
{
    TemporaryProgramFolder folder;
    folder.write(QStringLiteral("Vorenta.ini"), "[CONFIG]\r\nServidor=db1\r\nBancoDados=Base1\r\n");
    // Readable by everyone, but only its owner may remove entries from the folder.
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                             QFileDevice::ExeOther);
    CapturingLogSink log;
    ServerSettings read;
    {
        UnprivilegedScope unprivileged;
        read = ReadServerSettings(folder.path(), {QStringLiteral("default"), QStringLiteral("Brisolt")}, log);
    }
    EXPECT_EQ(read.Servidor, QStringLiteral("db1"));
    EXPECT_EQ(read.BancoDados, QStringLiteral("Base1"));
    EXPECT_EQ(log.startingWith(QStringLiteral("Erro: ")).size(), 1) << log.lines.join(u'\n').toStdString();
}

} // namespace
} // namespace vorenta::test
