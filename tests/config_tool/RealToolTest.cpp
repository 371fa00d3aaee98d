// The real ConfigVorenta on a real X display, driven through the keyboard and the mouse, against
// the fixture's database; what the tool did is read back from the database, LOG.TXT and the
// screen.
#include "ModalScript.h"
#include "ToolFixture.h"
#include "XDisplay.h"

#include "common/database/SqlQuery.h"
#include "tests/support/CollectorProcess.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTcpServer>
#include <QThread>

#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace vorenta::test {
namespace {

using namespace std::chrono_literals;

// Where the main form puts its widgets (the form's own layout), in window coordinates.
constexpr QPoint kStartEdit{90, 98};
constexpr QPoint kEndEdit{234, 98};
constexpr QPoint kAddButton{315, 95};
constexpr QRect kPanel{0, 116, 375, 404};
constexpr QPoint kEquipamentosTab{158, 131}; // the second tab's title, as Qt's style lays it out
// ASCII: xdotool types other characters through a remapped key, which some X servers drop.
const QString kPassword = QStringLiteral("Senha-123");

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds within)
{
    QDeadlineTimer deadline(within);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

class RealToolTest : public ToolTest {
protected:
    void SetUp() override
    {
        ToolTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        if (!XDisplay::shared().running())
            VORENTA_PEER_MISSING("X display: " + XDisplay::shared().failure().toStdString());
        db().insertParametros(kChave, QStringLiteral("1"), QStringLiteral("N"), QStringLiteral("1"),
                              QStringLiteral("1"), kPassword);
    }
    void TearDown() override
    {
        m_program.reset();
        ToolTest::TearDown();
    }

    /// Starts the program, types the password and Enter; `main` is the main window.
    void startAndLogIn()
    {
        m_program = std::make_unique<ToolProgram>(programFolder());
        const std::optional<QString> login = Xdo::waitForWindow(QStringLiteral("Autenticação"), 60s);
        ASSERT_TRUE(login) << "the login never showed; " << m_program->standardError().toStdString();
        Xdo::focus(*login);
        Xdo::type(kPassword);
        Xdo::key(QStringLiteral("Return"));
        ASSERT_TRUE(Xdo::waitForNoWindow(QStringLiteral("Autenticação"), 20s)) << "Enter did not log in";
        const std::optional<QString> window = Xdo::waitForWindow(QStringLiteral("Configuração Vorenta"), 10s);
        ASSERT_TRUE(window) << "no main window after the login";
        main = *window;
        Xdo::focus(main);
    }

    /// Replaces the text of the edit at `at` with `text`, typed key by key.
    void typeInto(QPoint at, const QString& text)
    {
        Xdo::click(main, at.x(), at.y());
        Xdo::key(QStringLiteral("ctrl+a"));
        Xdo::key(QStringLiteral("BackSpace"));
        if (!text.isEmpty())
            Xdo::type(text);
    }

    /// The messages of LOG.TXT, without their dates.
    QStringList logMessages()
    {
        QFile file(QDir(programFolder()).filePath(QStringLiteral("LOG.TXT")));
        QStringList messages;
        if (!file.open(QIODevice::ReadOnly))
            return messages;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts))
            messages.append(line.section(QStringLiteral(": "), 1).trimmed());
        return messages;
    }
    bool waitForLog(const QString& message, std::chrono::milliseconds within = 20s)
    {
        return waitUntil([&] { return logMessages().contains(message); }, within);
    }
    bool waitForLogStarting(const QString& start, std::chrono::milliseconds within = 20s)
    {
        return waitUntil(
            [&] {
                for (const QString& message : logMessages()) {
                    if (message.startsWith(start))
                        return true;
                }
                return false;
            },
            within);
    }

    /// Answers the message box titled `title` with Enter (its default button).
    void dismiss(const QString& title, const QString& keys = QStringLiteral("Return"))
    {
        const std::optional<QString> box = Xdo::waitForWindow(title, 20s);
        ASSERT_TRUE(box) << "no message box \"" << title.toStdString() << "\"";
        Xdo::focus(*box);
        Xdo::key(keys);
        ASSERT_TRUE(Xdo::waitForNoWindow(title, 10s)) << "the box \"" << title.toStdString() << "\" stayed";
        Xdo::focus(main);
    }

    QImage mainWindow(const QRect& part = QRect())
    {
        const QRect window = Xdo::geometry(main);
        return GrabScreen(part.isNull() ? window : part.translated(window.topLeft()));
    }

    /// Saves `image` as build/screenshots/`name` for docs/.
    static void keep(const QImage& image, const QString& name)
    {
        const QString out = QStringLiteral(VORENTA_BINARY_DIR "/screenshots");
        ASSERT_TRUE(QDir().mkpath(out));
        ASSERT_TRUE(image.save(out + u'/' + name)) << name.toStdString();
    }

    /// A connection of its own for the checks: the fixture's does not survive a server restart.
    qint64 ownRanges()
    {
        DatabaseConnection connection(db().settings());
        connection.open();
        SqlQuery query(connection);
        query.addLine(QStringLiteral("Select count(*) as n from RangeIP where CHAVE=:xC and IDSERV=:xI"));
        query.bindText(QStringLiteral("xC"), kChave);
        query.bindText(QStringLiteral("xI"), kIdServ);
        query.open();
        return query.integer(QStringLiteral("n"));
    }

    std::unique_ptr<ToolProgram> m_program;
    QString main;
};

TEST_P(RealToolTest, RefusedRangesInsertNothingAndTheBoxSaysWhy)
{
    db().insertRange(kChave, kIdServ, QStringLiteral("127.10.0.1"), QStringLiteral("127.10.0.9"));
    ASSERT_NO_FATAL_FAILURE(startAndLogIn());
    const struct {
        const char* start;
        const char* end;
        const char* reason;
    } cases[] = {
        {"127.10.0.250", "127.10.1.5", "O IP final deve estar na mesma rede /24 do IP inicial: 127.10.0.x"},
        {"192.168.1", "192.168.1.300",
         "O IP inicial deve ser um endereço completo, quatro números de 0 a 255 separados por pontos: "
         "192.168.0.1"},
        {"127.10.3.20", "127.10.3.10",
         "O IP final deve ser igual ou maior que o IP inicial: 127.10.3.10 - 127.10.3.20"},
        {"127.10.0.1", "127.10.0.9", "Este range já está na lista: 127.10.0.1 - 127.10.0.9"},
        {"127.10.0.5", "127.10.0.20",
         "Este range tem IPs em comum com o range 127.10.0.1 - 127.10.0.9 da lista: informe IPs fora dele ou "
         "exclua-o antes."},
    };
    bool first = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " - " + c.end);
        typeInto(kStartEdit, QString::fromUtf8(c.start));
        typeInto(kEndEdit, QString::fromUtf8(c.end));
        Xdo::click(main, kAddButton.x(), kAddButton.y());
        const std::optional<QString> box = Xdo::waitForWindow(QStringLiteral("Operação Incorreta"), 20s);
        ASSERT_TRUE(box) << "no refusal box";
        // The box shows the reason the log line carries.
        EXPECT_TRUE(waitForLog(QStringLiteral("Range de IP recusado: ") + QString::fromUtf8(c.reason)))
            << logMessages().join(u'\n').toStdString();
        if (first) {
            // The box over the window, as the technician sees it.
            QThread::msleep(300);
            const QRect window = Xdo::geometry(main);
            const QRect over = window.united(Xdo::geometry(*box));
            keep(GrabScreen(over), QStringLiteral("refusal.png"));
            first = false;
        }
        ASSERT_NO_FATAL_FAILURE(dismiss(QStringLiteral("Operação Incorreta")));
    }
    EXPECT_EQ(ownRanges(), 1) << "no refused range was inserted";
}

TEST_P(RealToolTest, ValidRangeByTypingAndEnterAndByPasting)
{
    ASSERT_NO_FATAL_FAILURE(startAndLogIn());
    // Who: the login the program runs under, as the system names it.
    const passwd* entry = ::getpwuid(::geteuid());
    ASSERT_TRUE(entry);
    const QString user = QString::fromLocal8Bit(entry->pw_name);
    // Enter in the start goes on to the end; Enter in the end adds.
    Xdo::click(main, kStartEdit.x(), kStartEdit.y());
    Xdo::type(QStringLiteral("127.10.4.1"));
    Xdo::key(QStringLiteral("Return"));
    Xdo::type(QStringLiteral("127.10.4.50"));
    Xdo::key(QStringLiteral("Return"));
    EXPECT_TRUE(waitUntil([&] { return ownRanges() == 1; }, 20s)) << "typed range not added";
    EXPECT_TRUE(waitForLog(QStringLiteral("Range de IP incluído por ") + user +
                           QStringLiteral(": 127.10.4.1 - 127.10.4.50")))
        << logMessages().join(u'\n').toStdString();

    // Ctrl+V into the start, the context menu's "Colar" into the end: digits and dots only.
    QGuiApplication::clipboard()->setText(QStringLiteral("IP: 127.10.5.1\n"));
    typeInto(kStartEdit, QString());
    Xdo::key(QStringLiteral("ctrl+v"));
    QGuiApplication::clipboard()->setText(QStringLiteral(" fim 127.10.5.9;"));
    typeInto(kEndEdit, QString());
    Xdo::click(main, kEndEdit.x(), kEndEdit.y(), 3);
    ASSERT_TRUE(waitUntil([] { return true; }, 300ms));
    Xdo::key(QStringLiteral("l")); // "Co&lar"
    Xdo::click(main, kAddButton.x(), kAddButton.y());
    EXPECT_TRUE(waitUntil([&] { return ownRanges() == 2; }, 20s)) << "pasted range not added";
    EXPECT_EQ(db().count(QStringLiteral("RangeIP"),
                         QStringLiteral("IPINI = '127.10.5.1' and IPFIN = '127.10.5.9'")),
              1);
    EXPECT_FALSE(Xdo::waitForWindow(QStringLiteral("Operação Incorreta"), 500ms));
    QThread::msleep(300);
    keep(mainWindow(), QStringLiteral("config.png"));
}

class RealToolOutageTest : public RealToolTest {};

TEST_P(RealToolOutageTest, ServerStoppedAndStartedBetweenTwoActions)
{
    if (!PostgresControllable())
        VORENTA_PEER_MISSING("PostgreSQL and VORENTA_TEST_PG_CONTROL");
    db().insertRange(kChave, kIdServ, QStringLiteral("127.10.0.1"), QStringLiteral("127.10.0.9"));
    ASSERT_NO_FATAL_FAILURE(startAndLogIn());
    typeInto(kStartEdit, QStringLiteral("127.10.6.1"));
    typeInto(kEndEdit, QStringLiteral("127.10.6.9"));
    QThread::msleep(300);
    const QImage listBefore = mainWindow(kPanel);

    RestartPostgresOnExit restart;
    ASSERT_TRUE(ControlPostgres(QStringLiteral("stop")));
    Xdo::key(QStringLiteral("Return"));
    const QString expected = QStringLiteral("Erro: Não foi possível conectar ao banco de dados %1 em %2:%3: ")
                                 .arg(db().settings().databaseName, db().settings().host)
                                 .arg(db().settings().port);
    EXPECT_TRUE(waitForLogStarting(expected)) << logMessages().join(u'\n').toStdString();
    ASSERT_NO_FATAL_FAILURE(dismiss(QStringLiteral("ConfigVorenta")));
    QThread::msleep(300);
    EXPECT_EQ(mainWindow(kPanel), listBefore) << "the list shown must stay while the server is away";

    ASSERT_TRUE(ControlPostgres(QStringLiteral("start")));
    Xdo::click(main, kEndEdit.x(), kEndEdit.y());
    Xdo::key(QStringLiteral("Return"));
    EXPECT_TRUE(waitUntil([&] { return ownRanges() == 2; }, 30s)) << "the add after the restart did not arrive";
    EXPECT_FALSE(Xdo::waitForWindow(QStringLiteral("ConfigVorenta"), 500ms)) << "an error box after the restart";
}

TEST_P(RealToolTest, UnreachableWebServerLeavesTheLoginUsableAtOnce)
{
    // Nothing listens on the first; the second accepts and never answers, as a server lost
    // behind a firewall that holds the connection.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress(QHostAddress::LocalHost), 0));
    const QString web[] = {QStringLiteral("http://127.0.0.1:%1").arg(UnusedLoopbackPort()),
                           QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort())};
    for (const QString& url : web) {
        SCOPED_TRACE(url.toStdString());
        QFile::remove(QDir(programFolder()).filePath(QStringLiteral("LOG.TXT")));
        db().folder().writeIdentity(kChave, kIdServ, {}, {},
                                    db().bancoSection() + "[CONFIG]\r\nServidorWeb=" + url.toUtf8() + "\r\n");
        m_program = std::make_unique<ToolProgram>(programFolder());
        const std::optional<QString> window = Xdo::waitForWindow(QStringLiteral("Configuração Vorenta"), 60s);
        ASSERT_TRUE(window) << m_program->standardError().toStdString();
        QElapsedTimer sinceWindow;
        sinceWindow.start();
        const std::optional<QString> login = Xdo::waitForWindow(QStringLiteral("Autenticação"), 10s);
        ASSERT_TRUE(login);
        EXPECT_LT(sinceWindow.elapsed(), 1000) << "the login came late";
        // Typed while the download may still run: the login takes it and goes on when ready.
        Xdo::focus(*login);
        Xdo::type(kPassword);
        Xdo::key(QStringLiteral("Return"));
        EXPECT_TRUE(Xdo::waitForNoWindow(QStringLiteral("Autenticação"), 20s));
        EXPECT_TRUE(waitForLogStarting(QStringLiteral("Servidor web indisponível (") + url +
                                       QStringLiteral("/Vorenta/Vorenta.txt); usadas as configurações padrão: ")))
            << logMessages().join(u'\n').toStdString();
        m_program->stop();
    }
}

TEST_P(RealToolTest, EquipamentosTabAfterOneCollectorPass)
{
    FixtureSnmpFleet fleet;
    try {
        fleet.add(3, SnmpRecording::FromText("1.3.6.1.2.1.1.2.0|6|1.3.6.1.4.1.11.2.3.9.1\n"
                                             "1.3.6.1.2.1.43.5.1.1.17.1|4|VISTA-0003\n"
                                             "1.3.6.1.2.1.25.3.2.1.3.1|4|HP LaserJet 400\n"
                                             "1.3.6.1.2.1.1.6.0|4|Sala 2\n"));
        fleet.add(4, SnmpRecording::FromText("1.3.6.1.2.1.1.2.0|6|1.3.6.1.4.1.11.2.3.9.1\n"
                                             "1.3.6.1.2.1.43.5.1.1.17.1|4|VISTA-0004\n"
                                             "1.3.6.1.2.1.25.3.2.1.3.1|4|HP LaserJet 600\n"));
    } catch (const std::system_error& error) {
        VORENTA_PEER_MISSING(std::string("loopback SNMP port 161 (root): ") + error.what());
    }
    const QString prefix = QString::fromStdString(fleet.prefix());
    db().insertRange(kChave, kIdServ, prefix + "2", prefix + "5");
    CollectorProcess collector(programFolder());
    ASSERT_EQ(collector.run({"--once", "--local-ip", "127.0.0.1"}), 0) << collector.standardError();
    ASSERT_EQ(db().count(QStringLiteral("ListaEquipCli")), 2);

    ASSERT_NO_FATAL_FAILURE(startAndLogIn());
    QThread::msleep(300);
    const QImage ranges = mainWindow(kPanel);
    Xdo::click(main, kEquipamentosTab.x(), kEquipamentosTab.y());
    QThread::msleep(800);
    EXPECT_NE(mainWindow(kPanel), ranges) << "the Equipamentos tab did not open";
    // Wider, as a technician would drag it, so that every column shows.
    Xdo::run({QStringLiteral("windowsize"), QStringLiteral("--sync"), main, QStringLiteral("680"),
              QStringLiteral("556")});
    QThread::msleep(500);
    keep(mainWindow(), QStringLiteral("equipamentos.png"));
    // The tab read the list: nothing went wrong on the way.
    EXPECT_FALSE(Xdo::waitForWindow(QStringLiteral("ConfigVorenta"), 300ms));
}

VORENTA_INSTANTIATE_DATABASE_TESTS(RealToolTest);
INSTANTIATE_TEST_SUITE_P(Server, RealToolOutageTest, ::testing::Values(TestBackend::PostgreSql), BackendName);

} // namespace
} // namespace vorenta::test
