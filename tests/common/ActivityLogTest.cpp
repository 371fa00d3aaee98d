#include "common/ActivityLog.h"
#include "common/LogSettings.h"

#include "tests/support/TemporaryProgramFolder.h"
#include "tests/support/UnprivilegedScope.h"

#include <QFile>
#include <QRegularExpression>

#include <vector>

#include <gtest/gtest.h>

using vorenta::ActivityLog;
using vorenta::test::TemporaryProgramFolder;
using vorenta::test::UnprivilegedScope;

namespace {

const QDateTime kNow(QDate(2024, 12, 9), QTime(14, 5, 9));

QDateTime fixedClock()
{
    return kNow;
}

QByteArray linesOf(int count)
{
    QByteArray content;
    content.reserve(count * 40);
    for (int i = 0; i < count; ++i)
        content += "01/01/2024 - 00:00:00: linha " + QByteArray::number(i) + "\r\n";
    return content;
}

class ActivityLogTest : public ::testing::Test {
protected:
    QString logPath() const { return folder.file("LOG.TXT"); }
    QByteArray content() const { return folder.read("LOG.TXT"); }

    TemporaryProgramFolder folder;
};

TEST_F(ActivityLogTest, MissingFileIsCreatedWithOneDatedLine)
{
    ActivityLog log(logPath(), fixedClock);
    log.WriteLog(QStringLiteral("Serviço Em Atividade"));
    EXPECT_EQ(content(), QStringLiteral("09/12/2024 - 14:05:09: Serviço Em Atividade\r\n").toUtf8());
}

TEST_F(ActivityLogTest, RealClockGivesDayFirstDateAndTime)
{
    ActivityLog log(logPath());
    log.WriteLog(QStringLiteral("x"));
    const QRegularExpression line(QStringLiteral(R"(^\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d: x\r\n$)"));
    EXPECT_TRUE(line.match(QString::fromUtf8(content())).hasMatch()) << content().toStdString();
}

TEST_F(ActivityLogTest, LinesAreAppendedInCallOrder)
{
    folder.write("LOG.TXT", "antes\r\n");
    ActivityLog log(logPath(), fixedClock);
    log.WriteLog(QStringLiteral("um"));
    log.WriteLog(QStringLiteral("dois"));
    EXPECT_EQ(content(), QByteArray("antes\r\n09/12/2024 - 14:05:09: um\r\n09/12/2024 - 14:05:09: dois\r\n"));
}

TEST_F(ActivityLogTest, MessageWithLineBreaksBecomesSeveralLines)
{
    ActivityLog log(logPath(), fixedClock);
    log.WriteLog(QStringLiteral("primeira\nsegunda\r\nterceira\rquarta"));
    EXPECT_EQ(content(), QByteArray("09/12/2024 - 14:05:09: primeira\r\nsegunda\r\nterceira\r\nquarta\r\n"));
}

TEST_F(ActivityLogTest, LastLineWithoutBreakFromAnotherWriterIsClosedFirst)
{
    const QByteArray line = "09/12/2024 - 14:05:09: nova\r\n";
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"sem quebra", "sem quebra\r\n" + line},
        // A file holding only a byte-order mark holds no line yet: nothing to close.
        {"\xEF\xBB\xBF", "\xEF\xBB\xBF" + line},
        {"\xEF\xBB\xBFx", "\xEF\xBB\xBFx\r\n" + line},
    };
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(before.toHex(' ').toStdString());
        folder.write("LOG.TXT", before);
        ActivityLog log(logPath(), fixedClock);
        log.WriteLog(QStringLiteral("nova"));
        EXPECT_EQ(content(), after);
    }
}

TEST_F(ActivityLogTest, FileRestartsAfterFiftyThousandLinesAndKeepsTheFullOne)
{
    folder.write("LOG.TXT", linesOf(49999));
    ActivityLog log(logPath(), fixedClock);

    log.WriteLog(QStringLiteral("linha 50000"));
    EXPECT_EQ(content().count("\r\n"), 50000);
    EXPECT_TRUE(content().endsWith("09/12/2024 - 14:05:09: linha 50000\r\n"));
    EXPECT_FALSE(QFile::exists(logPath() + ".1"));

    log.WriteLog(QStringLiteral("recomeço"));
    EXPECT_EQ(content(), QStringLiteral("09/12/2024 - 14:05:09: Continuação de LOG.TXT.1, que atingiu 50000 "
                                        "linhas.\r\n09/12/2024 - 14:05:09: recomeço\r\n")
                             .toUtf8());
    const QByteArray kept = folder.read("LOG.TXT.1");
    EXPECT_EQ(kept.count("\r\n"), 50000);
    EXPECT_TRUE(kept.startsWith(linesOf(49999)));
    EXPECT_TRUE(kept.endsWith("09/12/2024 - 14:05:09: linha 50000\r\n"));
    EXPECT_FALSE(QFile::exists(logPath() + ".novo"));
}

TEST_F(ActivityLogTest, LineCountFollowsOtherWriters)
{
    // Our count says 49998 lines, then the other program adds one: the next line is the 50000th
    // and the one after that restarts the file.
    folder.write("LOG.TXT", linesOf(49997));
    ActivityLog log(logPath(), fixedClock);
    log.WriteLog(QStringLiteral("nossa"));
    {
        QFile other(logPath());
        ASSERT_TRUE(other.open(QIODevice::Append));
        other.write("outro programa\r\n");
    }
    log.WriteLog(QStringLiteral("50000"));
    EXPECT_EQ(content().count("\r\n"), 50000);
    log.WriteLog(QStringLiteral("depois"));
    EXPECT_EQ(content().count("\r\n"), 2); // the line that names LOG.TXT.1, and ours
    EXPECT_TRUE(content().endsWith("09/12/2024 - 14:05:09: depois\r\n"));
}

TEST_F(ActivityLogTest, RestartKeepsByteOrderMark)
{
    folder.write("LOG.TXT", "\xEF\xBB\xBF" + linesOf(50000));
    ActivityLog log(logPath(), fixedClock);
    log.WriteLog(QStringLiteral("nova"));
    EXPECT_EQ(content(), QStringLiteral("\uFEFF09/12/2024 - 14:05:09: Continuação de LOG.TXT.1, que atingiu "
                                        "50000 linhas.\r\n09/12/2024 - 14:05:09: nova\r\n")
                             .toUtf8());
}

TEST_F(ActivityLogTest, UnwritableFileLosesTheLineSilently)
{
    folder.write("LOG.TXT", "existente\r\n");
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    UnprivilegedScope::giveAway(logPath());
    QFile::setPermissions(logPath(), QFile::ReadOwner | QFile::ReadOther);
    {
        UnprivilegedScope unprivileged;
        ActivityLog log(logPath(), fixedClock);
        EXPECT_NO_THROW(log.WriteLog(QStringLiteral("perdida")));
    }
    EXPECT_EQ(content(), QByteArray("existente\r\n"));
}

TEST_F(ActivityLogTest, UnreadableFileKeepsItsLinesAndRecordsTheError)
{
    folder.write("LOG.TXT", "histórico\r\n");
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    UnprivilegedScope::giveAway(logPath());
    QFile::setPermissions(logPath(), QFile::WriteOwner | QFile::WriteOther);
    {
        UnprivilegedScope unprivileged;
        ActivityLog log(logPath(), fixedClock);
        log.WriteLog(QStringLiteral("mensagem"));
    }
    QFile::setPermissions(logPath(), QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray after = content();
    EXPECT_TRUE(after.startsWith("histórico\r\n")) << after.toStdString();
    const QRegularExpression errorLine(
        QStringLiteral(R"(\r\n\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d: Erro\S.*\r\n$)"));
    EXPECT_TRUE(errorLine.match(QString::fromUtf8(after)).hasMatch()) << after.toStdString();
}

TEST_F(ActivityLogTest, MissingFolderLosesTheLineSilently)
{
    ActivityLog log(folder.file("nao-existe/LOG.TXT"), fixedClock);
    EXPECT_NO_THROW(log.WriteLog(QStringLiteral("perdida")));
    EXPECT_FALSE(QFile::exists(folder.file("nao-existe/LOG.TXT")));
}

} // namespace

namespace {

// Puts a full LOG.TXT in place, as another writer's restart would (a new file under the name),
// with lines that say which file they became; then writes one more line, which starts a new file.
void restartWith(ActivityLog& log, const TemporaryProgramFolder& folder, const QByteArray& name)
{
    folder.write("cheio", QByteArray(name + "\r\n").repeated(50000));
    QFile::remove(folder.file("LOG.TXT")); // none before the first
    ASSERT_TRUE(QFile::rename(folder.file("cheio"), folder.file("LOG.TXT")));
    log.WriteLog(QStringLiteral("depois de ") + QString::fromLatin1(name));
}

TEST_F(ActivityLogTest, RestartsKeepAsManyEarlierFilesAsConfigured)
{
    struct Case {
        int keptFiles;
        std::vector<QByteArray> expectedKept; // LOG.TXT.1, .2, ... after restarts from A, B, C
        QByteArray firstLine;
    };
    const Case cases[] = {
        {9, {"C", "B", "A"}, "Continuação de LOG.TXT.1, que atingiu 50000 linhas."},
        {2, {"C", "B"}, "Continuação de LOG.TXT.1, que atingiu 50000 linhas."},
        {1, {"C"}, "Continuação de LOG.TXT.1, que atingiu 50000 linhas."},
        {0,
         {},
         "Registro recomeçado ao atingir 50000 linhas; as anteriores foram descartadas (Arquivos=0 em "
         "Coletor.ini [Log])."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keptFiles);
        TemporaryProgramFolder here;
        ActivityLog log(here.file("LOG.TXT"), fixedClock, c.keptFiles);
        for (const char* name : {"A", "B", "C"})
            restartWith(log, here, name);
        for (std::size_t i = 0; i < c.expectedKept.size(); ++i) {
            const QString kept = QStringLiteral("LOG.TXT.%1").arg(i + 1);
            SCOPED_TRACE(kept.toStdString());
            EXPECT_EQ(here.read(kept), QByteArray(c.expectedKept[i] + "\r\n").repeated(50000));
        }
        EXPECT_FALSE(QFile::exists(here.file(QStringLiteral("LOG.TXT.%1").arg(c.expectedKept.size() + 1))));
        EXPECT_EQ(here.read("LOG.TXT"),
                  "09/12/2024 - 14:05:09: " + c.firstLine + "\r\n09/12/2024 - 14:05:09: depois de C\r\n");
    }
}

TEST_F(ActivityLogTest, LinesWrittenTogetherRestartAtTheSameLineAsOneByOne)
{
    folder.write("LOG.TXT", linesOf(49999));
    ActivityLog log(logPath(), fixedClock);
    log.WriteLines({QStringLiteral("a"), QStringLiteral("b\nb2"), QStringLiteral("c")});
    const QByteArray kept = folder.read("LOG.TXT.1");
    EXPECT_EQ(kept.count("\r\n"), 50000);
    EXPECT_TRUE(kept.endsWith("00:00:00: linha 49998\r\n09/12/2024 - 14:05:09: a\r\n"));
    EXPECT_EQ(content(), QStringLiteral("09/12/2024 - 14:05:09: Continuação de LOG.TXT.1, que atingiu 50000 "
                                        "linhas.\r\n09/12/2024 - 14:05:09: b\r\nb2\r\n"
                                        "09/12/2024 - 14:05:09: c\r\n")
                             .toUtf8());
}

TEST_F(ActivityLogTest, AWriterFollowsTheNewFileAnotherWriterStarted)
{
    folder.write("LOG.TXT", linesOf(49999));
    ActivityLog ours(logPath(), fixedClock);
    ActivityLog other(logPath(), fixedClock);
    ours.WriteLog(QStringLiteral("nossa 50000"));
    other.WriteLog(QStringLiteral("do outro, no arquivo novo"));
    ours.WriteLog(QStringLiteral("nossa, no arquivo novo"));
    EXPECT_TRUE(folder.read("LOG.TXT.1").endsWith("09/12/2024 - 14:05:09: nossa 50000\r\n"));
    EXPECT_FALSE(QFile::exists(logPath() + ".2")) << "a second restart";
    EXPECT_EQ(content(), QStringLiteral("09/12/2024 - 14:05:09: Continuação de LOG.TXT.1, que atingiu 50000 "
                                        "linhas.\r\n09/12/2024 - 14:05:09: do outro, no arquivo novo\r\n"
                                        "09/12/2024 - 14:05:09: nossa, no arquivo novo\r\n")
                             .toUtf8());
}

TEST_F(ActivityLogTest, ARemovedFileIsCreatedAgain)
{
    ActivityLog log(logPath(), fixedClock);
    log.WriteLog(QStringLiteral("um"));
    ASSERT_TRUE(QFile::remove(logPath()));
    log.WriteLog(QStringLiteral("dois"));
    EXPECT_EQ(content(), QByteArray("09/12/2024 - 14:05:09: dois\r\n"));
}

TEST(LogSettings, ArquivosInColetorIni)
{
    struct Case {
        QByteArray ini;
        int keptFiles;
        QString notice;
    };
    const Case cases[] = {
        {"", 9, {}},
        {"[Log]\r\n", 9, {}},
        {"[Log]\r\nArquivos=3\r\n", 3, {}},
        {"[LOG]\r\narquivos= 0 \r\n", 0, {}},
        {"[Log]\r\nArquivos=99\r\n", 99, {}},
        {"[Log]\r\nArquivos=100\r\n", 99,
         QStringLiteral("Arquivos inválido em Coletor.ini [Log]: 100; usando 99.")},
        {"[Log]\r\nArquivos=99999999999999999999\r\n", 99,
         QStringLiteral("Arquivos inválido em Coletor.ini [Log]: 99999999999999999999; usando 99.")},
        {"[Log]\r\nArquivos=-1\r\n", 9,
         QStringLiteral("Arquivos inválido em Coletor.ini [Log]: -1; usando 9.")},
        {"[Log]\r\nArquivos=nove\r\n", 9,
         QStringLiteral("Arquivos inválido em Coletor.ini [Log]: nove; usando 9.")},
        {"[COLETOR]\r\nArquivos=2\r\n", 9, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini.toStdString());
        TemporaryProgramFolder folder;
        if (!c.ini.isEmpty())
            folder.write("Coletor.ini", c.ini);
        const vorenta::LogSettings settings = vorenta::LoadLogSettings(folder.path());
        EXPECT_EQ(settings.keptFiles, c.keptFiles);
        EXPECT_EQ(settings.notice, c.notice);
    }
}

} // namespace
