#include "collector/service/CommandLine.h"
#include "collector/service/SystemdUnit.h"

#include "tests/support/CapturingLogSink.h"
#include "tests/support/CollectorProcess.h"
#include "tests/support/Peers.h"
#include "tests/support/SystemdAnalyze.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QDir>
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

TEST(CommandLine, ProfileForGetAndProbe)
{
    const auto get = parse({"--get", "1.3.6.1.2.1.1.1.0", "127.0.0.2", "--perfil", "seguro"});
    ASSERT_TRUE(get);
    EXPECT_EQ(get->profile, QStringLiteral("seguro"));
    const auto probe = parse({"--perfil", "escritorio", "--probe", "127.0.0.3"});
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->mode, CommandLine::Mode::Probe);
    EXPECT_EQ(probe->profile, QStringLiteral("escritorio"));
    EXPECT_TRUE(parse({"--probe", "127.0.0.3"})->profile.isEmpty());
}

TEST(CommandLine, Mistakes)
{
    for (const QStringList& arguments : QList<QStringList>{{"--home"},
                                                           {"--get", "1.3"},
                                                           {"--probe"},
                                                           {"qualquer"},
                                                           {"--probe", "127.0.0.3", "--perfil"},
                                                           {"--probe", "127.0.0.3", "--perfil", " "},
                                                           {"--once", "--perfil", "seguro"}})
        EXPECT_FALSE(parse(arguments)) << arguments.join(' ').toStdString();
}

TEST(CommandLine, Reports)
{
    const auto pages =
        parse({"--relatorio", "paginas", "--mes", "2026-03", "--chave", "CLI", "--csv", "--home", "/h"});
    ASSERT_TRUE(pages);
    EXPECT_EQ(pages->mode, CommandLine::Mode::Report);
    EXPECT_EQ(pages->report.kind, ReportRequest::Kind::Pages);
    EXPECT_EQ(pages->report.month, QStringLiteral("2026-03"));
    EXPECT_EQ(pages->report.chave, QStringLiteral("CLI"));
    EXPECT_TRUE(pages->report.csv);
    EXPECT_FALSE(pages->report.belowPercent);
    EXPECT_EQ(pages->home, QStringLiteral("/h"));

    const auto supplies = parse({"--abaixo", "15", "--relatorio", "suprimentos"});
    ASSERT_TRUE(supplies);
    EXPECT_EQ(supplies->report.kind, ReportRequest::Kind::Supplies);
    EXPECT_EQ(supplies->report.belowPercent, 15);
    EXPECT_TRUE(supplies->report.chave.isEmpty()) << "every customer";
    EXPECT_FALSE(supplies->report.csv);
    EXPECT_EQ(parse({"--relatorio", "suprimentos", "--abaixo", "0"})->report.belowPercent, 0);
    EXPECT_EQ(parse({"--relatorio", "suprimentos", "--abaixo", "100"})->report.belowPercent, 100);
}

TEST(CommandLine, ReportMistakesSayWhatIsMissing)
{
    struct Case {
        QStringList arguments;
        const char* error;
    };
    const Case cases[] = {
        {{"--relatorio"}, "--relatorio precisa de paginas ou suprimentos"},
        {{"--relatorio", "contadores"}, "--relatorio precisa de paginas ou suprimentos"},
        {{"--relatorio", "paginas"}, "--relatorio paginas precisa de --mes aaaa-mm"},
        {{"--relatorio", "paginas", "--mes", "2026-3"}, "--mes precisa de um mês aaaa-mm, como 2026-03"},
        {{"--relatorio", "paginas", "--mes", "2026-13"}, "--mes precisa de um mês aaaa-mm, como 2026-03"},
        {{"--relatorio", "paginas", "--mes", "03/2026"}, "--mes precisa de um mês aaaa-mm, como 2026-03"},
        {{"--relatorio", "paginas", "--mes"}, "--mes precisa de um mês aaaa-mm, como 2026-03"},
        {{"--relatorio", "paginas", "--mes", "2026-03", "--abaixo", "10"},
         "--abaixo vale só com --relatorio suprimentos"},
        {{"--relatorio", "suprimentos", "--mes", "2026-03"}, "--mes vale só com --relatorio paginas"},
        {{"--relatorio", "suprimentos", "--abaixo", "101"}, "--abaixo precisa de um percentual de 0 a 100"},
        {{"--relatorio", "suprimentos", "--abaixo", "-1"}, "--abaixo precisa de um percentual de 0 a 100"},
        {{"--relatorio", "suprimentos", "--abaixo", "dez"}, "--abaixo precisa de um percentual de 0 a 100"},
        {{"--relatorio", "suprimentos", "--abaixo"}, "--abaixo precisa de um percentual de 0 a 100"},
        {{"--relatorio", "suprimentos", "--chave", ""}, "--chave precisa da chave do cliente"},
        {{"--once", "--csv"}, "--mes, --chave, --abaixo e --csv valem só com --relatorio"},
        {{"--chave", "CLI"}, "--mes, --chave, --abaixo e --csv valem só com --relatorio"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(ParseCommandLine(c.arguments, &error)) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(error.toStdString(), c.error) << c.arguments.join(' ').toStdString();
    }
}

TEST(CommandLine, LocalAddressMustBeAWholeAddress)
{
    // The fallback scans the /24 of this address: "2" would send "2" ... "254" to the resolver.
    for (const char* local : {"2", "127.0.0", "127.0.0.", "127.0.0.1.1", "localhost", "300.0.0.1", ""}) {
        QString error;
        EXPECT_FALSE(ParseCommandLine({"--once", "--local-ip", QString::fromLatin1(local)}, &error)) << local;
        EXPECT_TRUE(error.startsWith("--local-ip")) << error.toStdString();
    }
    EXPECT_TRUE(parse({"--local-ip", "127.1.2.3"}));
}

// systemd must accept the unit and read the paths back as they are, whatever the folder names
// hold: blanks, quotes, backslashes, and the '%' and '$' that systemd would expand.
TEST(SystemdUnit, SystemdAcceptsTheUnitAndReadsThePathsBack)
{
    if (!vorenta::test::SystemdAnalyzeAvailable())
        VORENTA_PEER_MISSING("systemd-analyze (Debian package systemd)");
    const struct {
        const char* home;
        const char* homeArgument;     // as ExecStart writes it
        const char* workingDirectory; // as WorkingDirectory writes it
        const char* readWritePaths;   // as ReadWritePaths writes it
    } cases[] = {
        {"vorenta", R"("{root}vorenta")", "{root}vorenta", R"("{root}vorenta")"},
        {"Coletor Vorenta", R"("{root}Coletor Vorenta")", "{root}Coletor Vorenta",
         R"("{root}Coletor Vorenta")"},
        {R"(100% $HOME "x" a\b)", R"("{root}100%% $$HOME \"x\" a\\b")", R"({root}100%% $HOME "x" a\b)",
         R"("{root}100%% $HOME \"x\" a\\b")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.home);
        TemporaryProgramFolder root;
        const auto expand = [&](const char* text) {
            return QString::fromUtf8(text).replace("{root}", root.path());
        };
        const QString home = root.file(QString::fromUtf8(c.home));
        ASSERT_TRUE(QDir().mkpath(home));
        // systemd checks that the executable exists, so a wrong unescaping fails the verify.
        ASSERT_TRUE(QDir().mkpath(root.file("bin 100% $x")));
        const QString executable = root.file("bin 100% $x/VorentaServer");
        ASSERT_TRUE(QFile::link(vorenta::test::CollectorProcess::program(), executable));

        CollectorSettings settings;
        CapturingLogSink log;
        StopSignal stop;
        TVorenta service(settings, log, stop, [] {});
        UnitInstallation installation;
        installation.unitDirectory = root.file("units");
        installation.executable = executable;
        installation.programFolder = home + "/";
        installation.silent = true;
        ASSERT_EQ(InstallService(service, installation), 0);

        const QString unitFile = root.file("units/vorenta.service");
        const vorenta::test::UnitVerdict verdict = vorenta::test::VerifyUnit(unitFile);
        EXPECT_EQ(verdict.exitCode, 0) << verdict.output.toStdString();
        EXPECT_FALSE(verdict.output.contains("vorenta.service")) << verdict.output.toStdString();
        const QStringList lines = QString::fromUtf8(root.read("units/vorenta.service")).split(u'\n');
        EXPECT_TRUE(lines.contains(expand(R"(ExecStart="{root}bin 100%% $x/VorentaServer" --home )") +
                                   expand(c.homeArgument)))
            << lines.join('\n').toStdString();
        EXPECT_TRUE(lines.contains("WorkingDirectory=" + expand(c.workingDirectory)));
        EXPECT_TRUE(lines.contains("ReadWritePaths=" + expand(c.readWritePaths)));
        EXPECT_EQ(QFile::permissions(unitFile) & QFile::ReadOther, QFile::ReadOther);
    }
}

TEST(SystemdUnit, PathsSystemdCannotTakeAreRefused)
{
    EXPECT_TRUE(UnitPathProblem("/opt/vorenta", UnitPath::Folder).isEmpty());
    EXPECT_TRUE(UnitPathProblem("/opt/a \"b\" c\\d", UnitPath::Folder).isEmpty());
    for (const char* path : {"vorenta", "/opt/vo\nrenta", "/opt/vorenta ", "/opt/vo\trenta"})
        EXPECT_FALSE(UnitPathProblem(QString::fromUtf8(path), UnitPath::Folder).isEmpty()) << path;
    for (const char* path : {"/opt/a\"b/VorentaServer", "/opt/a'b/VorentaServer", "/opt/a\\b/VorentaServer"})
        EXPECT_FALSE(UnitPathProblem(QString::fromUtf8(path), UnitPath::Executable).isEmpty()) << path;

    TemporaryProgramFolder units;
    CollectorSettings settings;
    CapturingLogSink log;
    StopSignal stop;
    TVorenta service(settings, log, stop, [] {});
    UnitInstallation installation;
    installation.unitDirectory = units.path();
    installation.executable = "/opt/vorenta/VorentaServer";
    installation.programFolder = "/opt/vo\nrenta/";
    installation.silent = true;
    EXPECT_EQ(InstallService(service, installation), 1);
    EXPECT_FALSE(QFile::exists(units.file("vorenta.service")));
}

TEST(SystemdUnit, UninstallRemovesTheUnit)
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
    EXPECT_EQ(log.lines, QStringList({"Vorentor Instalado!", "SRVVorentor Instalado"}));
    ASSERT_EQ(UninstallService(service, installation), 0);
    EXPECT_FALSE(QFile::exists(units.file("vorenta.service")));
    EXPECT_EQ(log.lines.last(), QStringLiteral("Vorentor desinstalado!"));
}
