#include "SystemdAnalyze.h"

#include <QProcess>
#include <QStandardPaths>

namespace vorenta::test {

bool SystemdAnalyzeAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty();
}

UnitVerdict VerifyUnit(const QString& unitFile)
{
    QProcess analyze;
    analyze.setProcessChannelMode(QProcess::MergedChannels);
    analyze.start(QStringLiteral("systemd-analyze"), {QStringLiteral("verify"), unitFile});
    if (!analyze.waitForFinished(60000) || analyze.exitStatus() != QProcess::NormalExit)
        return {-1, QString::fromUtf8(analyze.readAll())};
    return {analyze.exitCode(), QString::fromUtf8(analyze.readAll())};
}

} // namespace vorenta::test
