#include "common/ActivityLog.h"

#include "tests/support/TemporaryProgramFolder.h"
#include "tests/support/UnprivilegedScope.h"

#include <QFile>
#include <QRegularExpression>

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

TEST_F(ActivityLogTest, FileRestartsAfterFiftyThousandLines)
{
    folder.write("LOG.TXT", linesOf(49999));
    ActivityLog log(logPath(), fixedClock);

    log.WriteLog(QStringLiteral("linha 50000"));
    EXPECT_EQ(content().count("\r\n"), 50000);
    EXPECT_TRUE(content().endsWith("09/12/2024 - 14:05:09: linha 50000\r\n"));

    log.WriteLog(QStringLiteral("recomeço"));
    EXPECT_EQ(content(), QStringLiteral("09/12/2024 - 14:05:09: recomeço\r\n").toUtf8());
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
    EXPECT_EQ(content().count("\r\n"), 1);
}

TEST_F(ActivityLogTest, RestartKeepsByteOrderMark)
{
    folder.write("LOG.TXT", "\xEF\xBB\xBF" + linesOf(50000));
    ActivityLog log(logPath(), fixedClock);
    log.WriteLog(QStringLiteral("nova"));
    EXPECT_EQ(content(), QByteArray("\xEF\xBB\xBF"
                                    "09/12/2024 - 14:05:09: nova\r\n"));
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
