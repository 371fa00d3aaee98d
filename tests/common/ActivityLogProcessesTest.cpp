// Two processes write one LOG.TXT through restarts, and one of them is killed mid-way: every
// line in LOG.TXT and the files it kept is whole, and no line a writer wrote before it died is
// missing.
#include "tests/support/Deadline.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

using vorenta::test::TemporaryProgramFolder;

namespace {

[[maybe_unused]] const bool kDeadline = vorenta::test::DeadlineForEveryTest(std::chrono::seconds(240));

QString writerProgram()
{
    return QStringLiteral(VORENTA_ACTIVITY_LOG_WRITER);
}

TEST(ActivityLogProcesses, TwoWritersAndAKillLoseNoLineAcrossRestarts)
{
    TemporaryProgramFolder folder;
    const QString log = folder.file("LOG.TXT");
    // B is killed after the first restart; what A writes after it takes a second one.
    constexpr int kLines = 120000;
    QProcess survivor;
    QProcess killed;
    survivor.start(writerProgram(), {log, QStringLiteral("A"), QString::number(kLines)});
    killed.start(writerProgram(), {log, QStringLiteral("B"), QString::number(kLines)});
    ASSERT_TRUE(survivor.waitForStarted(30000))
        << "writer A did not start: " << survivor.errorString().toStdString();
    ASSERT_TRUE(killed.waitForStarted(30000))
        << "writer B did not start: " << killed.errorString().toStdString();

    // Kill B once the first restart is behind both, in the middle of its writing.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!QFile::exists(log + ".1") && killed.state() == QProcess::Running &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(QFile::exists(log + ".1")) << "LOG.TXT was not restarted within 120 s";
    ASSERT_EQ(killed.state(), QProcess::Running) << "writer B ended before it could be killed";
    ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
    ASSERT_TRUE(killed.waitForFinished(30000)) << "writer B did not end after SIGKILL";
    ASSERT_TRUE(survivor.waitForFinished(180000)) << "writer A did not finish its lines within 180 s";
    ASSERT_EQ(survivor.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(survivor.exitCode(), 0);

    // Oldest first: LOG.TXT.9 ... LOG.TXT.1, LOG.TXT.
    QStringList files;
    for (int n = 9; n >= 1; --n) {
        if (QFile::exists(log + u'.' + QString::number(n)))
            files.append(log + u'.' + QString::number(n));
    }
    files.append(log);
    ASSERT_GE(files.size(), 3) << "fewer than two restarts";

    const QRegularExpression dated(QStringLiteral(R"(^\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d: (.*)$)"));
    const QRegularExpression written(QStringLiteral(R"(^escritor ([AB]) linha (\d+)$)"));
    const QString continuation = QStringLiteral("Continuação de LOG.TXT.1, que atingiu 50000 linhas.");
    QMap<QString, QList<int>> seen;
    for (int f = 0; f < files.size(); ++f) {
        SCOPED_TRACE(files[f].toStdString());
        QFile file(files[f]);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        ASSERT_TRUE(content.endsWith("\r\n")) << "the last line is cut";
        const QList<QByteArray> lines = content.left(content.size() - 2).split('\n');
        if (f + 1 < files.size()) {
            EXPECT_EQ(lines.size(), 50000) << "a kept file holds other than 50000 lines";
        }
        for (int i = 0; i < lines.size(); ++i) {
            QByteArray line = lines[i];
            ASSERT_TRUE(line.endsWith('\r') || i + 1 == lines.size()) << "line " << i << " has no CRLF";
            line.chop(line.endsWith('\r') ? 1 : 0);
            const QRegularExpressionMatch m = dated.match(QString::fromUtf8(line));
            ASSERT_TRUE(m.hasMatch()) << "line " << i << " is not whole: " << line.toStdString();
            if (i == 0 && f > 0) {
                EXPECT_EQ(m.captured(1), continuation) << "a restarted file does not begin with its line";
                continue;
            }
            const QRegularExpressionMatch w = written.match(m.captured(1));
            ASSERT_TRUE(w.hasMatch()) << "line " << i << ": " << line.toStdString();
            seen[w.captured(1)].append(w.captured(2).toInt());
        }
    }
    // Each writer's lines appear once each, in the order it wrote them: A all of them, B up to
    // the line it was killed at.
    for (const QString& name : {QStringLiteral("A"), QStringLiteral("B")}) {
        SCOPED_TRACE(name.toStdString());
        const QList<int>& numbers = seen[name];
        ASSERT_FALSE(numbers.isEmpty());
        for (int i = 0; i < numbers.size(); ++i)
            ASSERT_EQ(numbers[i], i) << "a line is missing or repeated";
    }
    EXPECT_EQ(seen[QStringLiteral("A")].size(), kLines);
    EXPECT_LT(seen[QStringLiteral("B")].size(), kLines) << "writer B was killed after its last line";
}

} // namespace
