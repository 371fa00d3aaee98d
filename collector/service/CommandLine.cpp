#include "CommandLine.h"

#include "collector/service/walk/AddressWalk.h"

#include <QRegularExpression>

namespace vorenta {

namespace {

// "INSTALL", "/install", "-Install" and "--INSTALL" all name the same switch.
QString switchName(const QString& argument)
{
    QString name = argument;
    while (name.startsWith(u'-') || name.startsWith(u'/'))
        name.remove(0, 1);
    return name.toUpper();
}

} // namespace

QString UsageText()
{
    return QStringLiteral(
        "uso:\n"
        "  VorentaServer [--home DIR] [--local-ip ADDR] [--once]\n"
        "  VorentaServer INSTALL [SILENT] [--unit-dir DIR] [--home DIR]\n"
        "  VorentaServer UNINSTALL [--unit-dir DIR]\n"
        "  VorentaServer --get OID ADDRESS [--perfil NOME] [--home DIR]\n"
        "  VorentaServer --probe ADDRESS [--perfil NOME] [--home DIR]\n"
        "  VorentaServer --relatorio paginas --mes aaaa-mm [--chave K] [--csv] [--home DIR]\n"
        "  VorentaServer --relatorio suprimentos [--abaixo P] [--chave K] [--csv] [--home DIR]\n");
}

std::optional<CommandLine> ParseCommandLine(const QStringList& arguments, QString* error)
{
    CommandLine command;
    QStringList positional;
    QString reportName;
    bool monthGiven = false;
    auto fail = [&](const QString& why) -> std::optional<CommandLine> {
        *error = why;
        return std::nullopt;
    };

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        auto takeValue = [&](QString* target) {
            if (i + 1 >= arguments.size())
                return false;
            *target = arguments[++i];
            return true;
        };
        if (argument == QLatin1String("--home")) {
            if (!takeValue(&command.home))
                return fail(QStringLiteral("--home precisa de uma pasta"));
        } else if (argument == QLatin1String("--local-ip")) {
            // The fallback scans this address's /24: anything but a whole address would send the
            // hosts "2" to "254" to the resolver as names.
            if (!takeValue(&command.localIp) || !ParseDottedAddress(command.localIp))
                return fail(QStringLiteral("--local-ip precisa de um endereço IPv4 completo (a.b.c.d)"));
        } else if (argument == QLatin1String("--unit-dir")) {
            if (!takeValue(&command.unitDirectory))
                return fail(QStringLiteral("--unit-dir precisa de uma pasta"));
        } else if (argument == QLatin1String("--once")) {
            command.once = true;
        } else if (argument == QLatin1String("--get")) {
            command.mode = CommandLine::Mode::Get;
            if (!takeValue(&command.oid) || !takeValue(&command.address))
                return fail(QStringLiteral("--get precisa de OID e ENDEREÇO"));
        } else if (argument == QLatin1String("--probe")) {
            command.mode = CommandLine::Mode::Probe;
            if (!takeValue(&command.address))
                return fail(QStringLiteral("--probe precisa de um ENDEREÇO"));
        } else if (argument == QLatin1String("--perfil")) {
            if (!takeValue(&command.profile) || command.profile.trimmed().isEmpty())
                return fail(QStringLiteral("--perfil precisa do NOME de um perfil de [SNMP] Perfis"));
        } else if (argument == QLatin1String("--relatorio")) {
            command.mode = CommandLine::Mode::Report;
            if (!takeValue(&reportName))
                return fail(QStringLiteral("--relatorio precisa de paginas ou suprimentos"));
        } else if (argument == QLatin1String("--mes")) {
            static const QRegularExpression month(QStringLiteral("^[0-9]{4}-(0[1-9]|1[0-2])$"));
            if (!takeValue(&command.report.month) || !month.match(command.report.month).hasMatch())
                return fail(QStringLiteral("--mes precisa de um mês aaaa-mm, como 2026-03"));
            monthGiven = true;
        } else if (argument == QLatin1String("--chave")) {
            if (!takeValue(&command.report.chave) || command.report.chave.isEmpty())
                return fail(QStringLiteral("--chave precisa da chave do cliente"));
        } else if (argument == QLatin1String("--abaixo")) {
            QString percent;
            bool number = false;
            const int value = takeValue(&percent) ? percent.toInt(&number) : 0;
            if (!number || value < 0 || value > 100)
                return fail(QStringLiteral("--abaixo precisa de um percentual de 0 a 100"));
            command.report.belowPercent = value;
        } else if (argument == QLatin1String("--csv")) {
            command.report.csv = true;
        } else if (switchName(argument) == QLatin1String("INSTALL")) {
            command.mode = CommandLine::Mode::Install;
        } else if (switchName(argument) == QLatin1String("UNINSTALL")) {
            command.mode = CommandLine::Mode::Uninstall;
        } else if (switchName(argument) == QLatin1String("SILENT")) {
            command.silent = true;
        } else {
            positional.append(argument);
        }
    }
    if (!positional.isEmpty())
        return fail(QStringLiteral("argumento desconhecido: ") + positional.first());
    if (!command.profile.isEmpty() && command.mode != CommandLine::Mode::Get &&
        command.mode != CommandLine::Mode::Probe)
        return fail(QStringLiteral("--perfil vale só com --get ou --probe"));
    const bool reportOptions =
        monthGiven || !command.report.chave.isEmpty() || command.report.csv || command.report.belowPercent;
    if (command.mode != CommandLine::Mode::Report) {
        if (reportOptions)
            return fail(QStringLiteral("--mes, --chave, --abaixo e --csv valem só com --relatorio"));
        return command;
    }
    if (reportName == QLatin1String("paginas")) {
        command.report.kind = ReportRequest::Kind::Pages;
        if (!monthGiven)
            return fail(QStringLiteral("--relatorio paginas precisa de --mes aaaa-mm"));
        if (command.report.belowPercent)
            return fail(QStringLiteral("--abaixo vale só com --relatorio suprimentos"));
    } else if (reportName == QLatin1String("suprimentos")) {
        command.report.kind = ReportRequest::Kind::Supplies;
        if (monthGiven)
            return fail(QStringLiteral("--mes vale só com --relatorio paginas"));
    } else {
        return fail(QStringLiteral("--relatorio precisa de paginas ou suprimentos"));
    }
    return command;
}

} // namespace vorenta
