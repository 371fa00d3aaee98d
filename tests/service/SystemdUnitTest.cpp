#include "collector/service/SystemdUnit.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

namespace vorenta {
namespace {

QStringList unitLines(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split(u'\n'))
        if (!line.isEmpty() && !line.startsWith(u'#'))
            lines.append(line);
    return lines;
}

QString handUnit(const QString& folder)
{
    UnitInstallation installation;
    installation.executable = QStringLiteral("/opt/vorenta/VorentaServer");
    installation.programFolder = folder;
    return UnitFileText(installation);
}

QString packagedUnit()
{
    QFile file(QStringLiteral(VORENTA_PACKAGED_UNIT));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Where the two installs differ: who runs the service, and where.
bool installSpecific(const QString& line)
{
    static const QRegularExpression specific(
        QStringLiteral("^(User|Group|StateDirectory|StateDirectoryMode|ReadWritePaths|ExecStart|"
                       "WorkingDirectory|ProtectHome)="));
    return specific.match(line).hasMatch();
}

// The directives that make the sandbox, as both installs must write them.
TEST(SystemdUnit, HandInstallHasTheSandbox)
{
    const QStringList lines = unitLines(handUnit(QStringLiteral("/opt/vorenta/")));
    for (const char* directive :
         {"ReadWritePaths=\"/opt/vorenta\"", "ProtectHome=yes", "ProtectSystem=strict",
          "CapabilityBoundingSet=", "NoNewPrivileges=yes", "PrivateTmp=yes", "PrivateDevices=yes",
          "RestrictNamespaces=yes", "RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX AF_NETLINK",
          "MemoryDenyWriteExecute=yes", "SystemCallFilter=@system-service", "UMask=0027",
          "Restart=on-failure", "RestartPreventExitStatus=78", "KillSignal=SIGTERM", "Type=notify",
          "NotifyAccess=main", "WatchdogSec=15min"})
        EXPECT_TRUE(lines.contains(QString::fromUtf8(directive))) << directive;
    for (const QString& line : lines)
        EXPECT_FALSE(line.contains(u'@') && !line.startsWith(QStringLiteral("SystemCallFilter=")))
            << "unfilled: " << line.toStdString();
    EXPECT_FALSE(lines.contains(QStringLiteral("User=vorenta"))) << "a hand install creates no user";
}

// The package's unit and INSTALL's come from one template: apart from the account and the
// paths, every directive is the same, in the same order.
TEST(SystemdUnit, PackagedAndHandInstallUnitsShareTheirDirectives)
{
    const QStringList packaged = unitLines(packagedUnit());
    ASSERT_FALSE(packaged.isEmpty()) << VORENTA_PACKAGED_UNIT;
    for (const char* directive :
         {"User=vorenta", "Group=vorenta", "StateDirectory=vorenta", "StateDirectoryMode=0750",
          "ProtectHome=yes", "ExecStart=/usr/bin/VorentaServer --home /var/lib/vorenta",
          "WorkingDirectory=/var/lib/vorenta"})
        EXPECT_TRUE(packaged.contains(QString::fromUtf8(directive))) << directive;

    QStringList shared = packaged;
    shared.removeIf(installSpecific);
    QStringList hand = unitLines(handUnit(QStringLiteral("/opt/vorenta/")));
    hand.removeIf(installSpecific);
    EXPECT_EQ(hand, shared);
}

TEST(SystemdUnit, ProtectHomeLeavesAFolderUnderHomeReachable)
{
    const struct {
        const char* folder;
        const char* value;
    } cases[] = {
        {"/opt/vorenta/", "yes"},       {"/var/lib/vorenta", "yes"},
        {"/homeless/vorenta", "yes"},   {"/home/ana/vorenta/", "read-only"},
        {"/root/vorenta", "read-only"}, {"/run/user/1000/v", "read-only"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProtectHomeValue(QString::fromUtf8(c.folder)), QString::fromUtf8(c.value)) << c.folder;
        EXPECT_TRUE(unitLines(handUnit(QString::fromUtf8(c.folder)))
                        .contains(QStringLiteral("ProtectHome=") + QString::fromUtf8(c.value)))
            << c.folder;
    }
}

} // namespace
} // namespace vorenta
