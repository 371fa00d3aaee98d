#include "common/database/DatabaseSettings.h"
#include "common/CollectorIdentity.h"
#include "common/IniFile.h"
#include "common/database/Dialect.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using test::TemporaryProgramFolder;

TEST(DatabaseSettings, DefaultsToTheEmbeddedFileInTheProgramFolder)
{
    const TemporaryProgramFolder folder;
    const DatabaseSettings settings = LoadDatabaseSettings(folder.path()); // no Coletor.ini at all
    EXPECT_EQ(settings.backend, DatabaseBackend::Sqlite);
    EXPECT_EQ(settings.databaseName, folder.file("Vorenta.db"));
    EXPECT_EQ(settings.connectTimeoutSeconds, 15);
    EXPECT_EQ(settings.commandTimeoutSeconds, 120);
    EXPECT_TRUE(settings.problem.isEmpty());
}

TEST(DatabaseSettings, ReadsEveryBancoKey)
{
    struct Case {
        const char* banco;
        DatabaseBackend backend;
        const char* host;
        int port;
        const char* database;
        const char* user;
        const char* password;
        int connect;
        int command;
    };
    const Case cases[] = {
        {"Tipo=SqlServer\r\n", DatabaseBackend::SqlServer, VORENTA_PROVIDER_DB_HOST, 14333, "Brisolt",
         "Brisolt", "ktvbnrs4826", 15, 120},
        {"Tipo=sqlserver\r\nServidor=127.0.0.1\r\nPorta=1433\r\nBancoDados=Outro\r\nUsuario=sa\r\n"
         "Senha=x;y=z\r\nTempoConexao=70\r\nTempoComando=30\r\n",
         DatabaseBackend::SqlServer, "127.0.0.1", 1433, "Outro", "sa", "x;y=z", 70, 30},
        {"Tipo=postgresql\r\nServidor=db\r\nBancoDados=vorenta\r\nUsuario=u\r\nSenha=segredo-pg\r\n",
         DatabaseBackend::PostgreSql, "db", 5432, "vorenta", "u", "segredo-pg", 15, 120},
        // Zero, negative and text time-outs would mean "forever" or nothing: the defaults apply.
        {"Tipo=postgresql\r\nTempoConexao=0\r\nTempoComando=-4\r\nPorta=abc\r\n", DatabaseBackend::PostgreSql,
         "localhost", 5432, "vorenta", "vorenta", "", 15, 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.banco);
        const TemporaryProgramFolder folder;
        folder.write("Coletor.ini", QByteArray("[BANCO]\r\n") + c.banco);
        const DatabaseSettings s = LoadDatabaseSettings(folder.path());
        EXPECT_EQ(s.backend, c.backend);
        EXPECT_EQ(s.host, QString::fromUtf8(c.host));
        EXPECT_EQ(s.port, c.port);
        EXPECT_EQ(s.databaseName, QString::fromUtf8(c.database));
        EXPECT_EQ(s.user, QString::fromUtf8(c.user));
        EXPECT_EQ(s.password, QString::fromUtf8(c.password));
        EXPECT_EQ(s.connectTimeoutSeconds, c.connect);
        EXPECT_EQ(s.commandTimeoutSeconds, c.command);
        if (!s.password.isEmpty()) {
            EXPECT_FALSE(s.describe().contains(s.password)) << "a description never shows the password";
        }
    }
}

TEST(DatabaseSettings, SqliteFileIsRelativeToTheProgramFolderAndUnknownTipoIsReported)
{
    const TemporaryProgramFolder folder;
    folder.write("Coletor.ini", "[banco]\r\nbancodados=dados/Outro.db\r\n");
    EXPECT_EQ(LoadDatabaseSettings(folder.path()).databaseName, folder.file("dados/Outro.db"));

    folder.write("Coletor.ini", "[BANCO]\r\nTipo=oracle\r\n");
    EXPECT_TRUE(LoadDatabaseSettings(folder.path()).problem.contains("oracle"));
}

TEST(Dialect, StatementsThatDifferPerServer)
{
    struct Case {
        DatabaseBackend backend;
        const char* now;
        const char* top;
        const char* limit;
        const char* codAsText;
        const char* resultName;
    };
    const Case cases[] = {
        {DatabaseBackend::SqlServer, "SELECT GETDATE() AS DataeHoraAtual", "top(1) ", "",
         "CAST(cod AS varchar(20))", "DataeHoraAtual"},
        {DatabaseBackend::PostgreSql, "SELECT LOCALTIMESTAMP(0) AS DataeHoraAtual", "", "limit 1",
         "CAST(cod AS text)", "dataehoraatual"},
        {DatabaseBackend::Sqlite, "SELECT datetime('now','localtime') AS DataeHoraAtual", "", "limit 1",
         "CAST(cod AS TEXT)", "DataeHoraAtual"},
    };
    for (const Case& c : cases) {
        const Dialect& d = Dialect::of(c.backend);
        EXPECT_EQ(d.backend(), c.backend);
        EXPECT_EQ(d.currentTimeStatement(), QString::fromUtf8(c.now));
        EXPECT_EQ(d.topOne(), QString::fromUtf8(c.top));
        EXPECT_EQ(d.limitOne(), QString::fromUtf8(c.limit));
        EXPECT_EQ(d.integerAsText("cod"), QString::fromUtf8(c.codAsText));
        EXPECT_EQ(d.resultName("DataeHoraAtual"), QString::fromUtf8(c.resultName));
    }
}

// A newcomer copies the README's Coletor.ini samples as they are. Values run to the end of the
// line, so a comment after a value would become part of it: an unknown Tipo, or a Chave that
// selects no range (and the local network scanned instead).
TEST(DatabaseSettings, TheReadmeSamplesWorkAsWritten)
{
    QFile readme(QStringLiteral(VORENTA_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    QList<QByteArray> samples;
    bool inBlock = false;
    QByteArray block;
    for (const QByteArray& line : readme.readAll().split('\n')) {
        if (line.startsWith("```")) {
            if (inBlock && (block.contains("[COLETOR]") || block.contains("[BANCO]")))
                samples.append(block);
            inBlock = !inBlock;
            block.clear();
        } else if (inBlock) {
            block += line + "\r\n";
        }
    }
    ASSERT_GE(samples.size(), 2);

    for (const QByteArray& sample : samples) {
        SCOPED_TRACE(sample.toStdString());
        const TemporaryProgramFolder folder;
        folder.write(QStringLiteral("Coletor.ini"), sample);
        const IniFile ini(folder.file(QStringLiteral("Coletor.ini")));
        QString section;
        for (const QByteArray& line : sample.split('\n')) {
            const QString text = QString::fromUtf8(line).trimmed();
            if (text.startsWith(u'['))
                section = text.mid(1).chopped(1);
            if (text.startsWith(u';') || !text.contains(u'='))
                continue;
            const QString key = text.section(u'=', 0, 0);
            EXPECT_FALSE(ini.value(section, key).contains(u';'))
                << key.toStdString() << ": a comment in the value";
        }
        EXPECT_TRUE(LoadDatabaseSettings(folder.path()).problem.isEmpty());
        if (sample.contains("[COLETOR]")) {
            EXPECT_TRUE(LoadCollectorIdentity(folder.path()).isComplete());
        }
    }
}

} // namespace
} // namespace vorenta
