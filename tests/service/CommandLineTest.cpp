#include "collector/service/CommandLine.h"
#include "collector/service/SystemdUnit.h"

#include "tests/support/CapturingLogSink.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace vorenta;
using vorenta::test::CapturingLogSink;
using vorenta::test::TemporaryProgramFolder;

namespace {
std::optional<CommandLine> parse(const QStringList& arguments)
{
    QString error;
    return ParseCommandLine(arguments, &error);
}
} // namespace

TEST(CommandLine, RunOptions)
{
    const auto command = parse({"--home", "/opt/vorenta", "--local-ip", "127.0.0.1", "--once"});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->mode, CommandLine::Mode::Run);
    EXPECT_EQ(command->home, QStringLiteral("/opt/vorenta"));
    EXPECT_EQ(command->localIp, QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(command->once);
}

TEST(CommandLine, ServiceSwitchesInEveryForm)
{
    for (const char* form : {"INSTALL", "/INSTALL", "-install", "--install", "Install"}) {
        const auto command = parse({QString::fromLatin1(form), "silent", "--unit-dir", "/tmp/u"});
        ASSERT_TRUE(command) << form;
        EXPECT_EQ(command->mode, CommandLine::Mode::Install) << form;
        EXPECT_TRUE(command->silent);
        EXPECT_EQ(command->unitDirectory, QStringLiteral("/tmp/u"));
    }
    EXPECT_EQ(parse({"/UNINSTALL"})->mode, CommandLine::Mode::Uninstall);
}

TEST(CommandLine, GetAndProbe)
{
    const auto get = parse({"--get", "1.3.6.1.2.1.1.1.0", "127.0.0.2"});
    ASSERT_TRUE(get);
    EXPECT_EQ(get->mode, CommandLine::Mode::Get);
    EXPECT_EQ(get->oid, QStringLiteral("1.3.6.1.2.1.1.1.0"));
    EXPECT_EQ(get->address, QStringLiteral("127.0.0.2"));
    const auto probe = parse({"--probe", "127.0.0.3", "--home", "/h"});
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->mode, CommandLine::Mode::Probe);
    EXPECT_EQ(probe->address, QStringLiteral("127.0.0.3"));
}

TEST(CommandLine, Mistakes)
{
    for (const QStringList& arguments :
         QList<QStringList>{{"--home"}, {"--get", "1.3"}, {"--probe"}, {"qualquer"}})
        EXPECT_FALSE(parse(arguments)) << arguments.join(' ').toStdString();
}

TEST(SystemdUnit, InstallAndUninstallInAUnitFolder)
{
    TemporaryProgramFolder units;
    CollectorSettings settings;
    CapturingLogSink log;
    StopSignal stop;
    TVorenta service(settings, log, stop, [] {});
    UnitInstallation installation;
    installation.unitDirectory = units.path();
    installation.executable = "/opt/vorenta/VorentaServer";
    installation.programFolder = "/opt/vorenta/";
    installation.silent = true;

    ASSERT_EQ(InstallService(service, installation), 0);
    const QString unit = QString::fromUtf8(units.read("vorenta.service"));
    EXPECT_TRUE(unit.contains("Description=SrvVorenta\n"));
    EXPECT_TRUE(unit.contains("ExecStart=\"/opt/vorenta/VorentaServer\" --home \"/opt/vorenta\"\n"));
    EXPECT_TRUE(unit.contains("Restart=on-failure\n"));
    EXPECT_TRUE(unit.contains("WantedBy=multi-user.target\n"));
    EXPECT_EQ(log.lines, QStringList({"Vorentor Instalado!", "SRVVorentor Instalado"}));

    ASSERT_EQ(UninstallService(service, installation), 0);
    EXPECT_FALSE(QFile::exists(units.file("vorenta.service")));
    EXPECT_EQ(log.lines.last(), QStringLiteral("Vorentor desinstalado!"));
}
