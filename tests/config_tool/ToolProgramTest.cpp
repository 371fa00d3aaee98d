#include "ModalScript.h"

#include "tests/support/TemporaryProgramFolder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QThread>

#include <sys/stat.h>

namespace vorenta::test {
namespace {

// The embedded database the tool creates beside a collector holds customer data: it is for the
// tool's user and group only, even when the tool is started with a umask that opens everything.
TEST(ToolProgram, WhatItCreatesIsPrivateWhateverTheUmask)
{
    TemporaryProgramFolder folder;
    // The settings download goes to a closed loopback port; the tool then opens the embedded
    // database and waits at the login.
    folder.writeIdentity(
        QStringLiteral("K"), QStringLiteral("S"), {}, {},
        "[CONFIG]\r\nServidorWeb=http://127.0.0.1:" + QByteArray::number(UnusedLoopbackPort()) + "\r\n");
    QProcess tool;
    tool.setChildProcessModifier([] { ::umask(0); });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(VORENTA_CONFIG_PROGRAM), {QStringLiteral("--home"), folder.path()});
    ASSERT_TRUE(tool.waitForStarted());
    const QString database = folder.file(QStringLiteral("Vorenta.db"));
    for (int attempt = 0; attempt < 600 && !QFile::exists(database); ++attempt)
        QThread::msleep(50);
    QThread::msleep(200); // the schema is written right after the file appears
    tool.kill();
    tool.waitForFinished();

    ASSERT_TRUE(QFile::exists(database)) << tool.readAllStandardError().toStdString();
    const QFileDevice::Permissions open =
        QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFile::permissions(database) & open, QFileDevice::Permissions()) << "Vorenta.db";
    if (QFile::exists(folder.file(QStringLiteral("LOG.TXT")))) {
        EXPECT_EQ(QFile::permissions(folder.file(QStringLiteral("LOG.TXT"))) & open,
                  QFileDevice::Permissions());
    }
}

} // namespace
} // namespace vorenta::test
