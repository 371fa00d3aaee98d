#include "CollectorProgram.h"

#include "collector/database/DadosOidColumns.h"
#include "collector/database/ModelOidLookup.h"
#include "collector/database/TDTM.h"
#include "collector/database/store/DatabaseReadingStore.h"
#include "collector/outage/OutageHandling.h"
#include "collector/probing/IdentifyDevice.h"
#include "collector/probing/ManufacturerDispatch.h"
#include "collector/probing/PrefetchingSnmpSource.h"
#include "collector/probing/ProfiledSnmpSource.h"
#include "collector/probing/UdpSnmpSource.h"
#include "collector/service/CollectionCycle.h"
#include "collector/service/walk/ConcurrentWalk.h"
#include "collector/service/LocalAddress.h"
#include "collector/service/MakerFallbackSetting.h"
#include "collector/service/ProbeLimits.h"
#include "collector/service/ServiceHost.h"
#include "collector/service/SnmpProfilesSetting.h"
#include "collector/service/StartupSettings.h"
#include "collector/service/SystemdNotifier.h"
#include "collector/service/SystemdUnit.h"
#include "collector/snmp/SnmpGet.h"
#include "common/CollectorIdentity.h"
#include "common/IniFile.h"
#include "common/LogSettings.h"
#include "common/TextRules.h"
#include "common/Windows1252.h"
#include "common/database/DatabaseDriver.h"
#include "common/database/DatabaseSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <sys/stat.h>

#include <cstdio>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

namespace vorenta {

namespace {

QString programFolder(const CommandLine& command)
{
    const QString folder = command.home.isEmpty() ? QCoreApplication::applicationDirPath() : command.home;
    return QDir(folder).absolutePath() + u'/';
}

void printLine(const QString& text)
{
    std::fputs((text + u'\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void printReason(const QString& text)
{
    std::fputs(("VorentaServer: " + text + u'\n').toUtf8().constData(), stderr);
}

// The profiles a technician's --get or --probe asks with: the one --perfil names, else all of
// them; nothing when the site has none (v1 "public" as always). False, with the reason on standard
// error, for a profile name that is not there.
bool technicianProfiles(const CommandLine& command, std::optional<SnmpProfiles>& profiles)
{
    SnmpProfilesSetting setting = LoadSnmpProfiles(programFolder(command));
    for (const QString& notice : setting.notices)
        printReason(notice);
    if (command.profile.isEmpty()) {
        if (setting.configured)
            profiles.emplace(setting.profiles);
        return true;
    }
    for (const SnmpProfile& profile : setting.profiles) {
        if (setting.configured && profile.name.compare(command.profile, Qt::CaseInsensitive) == 0) {
            profiles.emplace(QList<SnmpProfile>{profile});
            return true;
        }
    }
    printReason(QStringLiteral("perfil SNMP desconhecido: %1; veja [SNMP] Perfis em Coletor.ini")
                    .arg(EscapedText(command.profile)));
    return false;
}

// The GET with every profile that applies, the earliest that answered taken, as a visit's first GET.
snmp::GetResult profiledGet(SnmpProfiles& profiles, const QString& oid, const QString& address)
{
    const QList<const SnmpProfile*> candidates = profiles.forAddress(address);
    std::vector<snmp::ProfileRequest> requests;
    for (const SnmpProfile* profile : candidates)
        requests.push_back({&profile->credentials, oid.toStdString()});
    if (requests.empty()) {
        printReason(
            QStringLiteral("nenhum perfil SNMP vale para %1 (veja Faixas em Coletor.ini)").arg(address));
        return {false, {}, snmp::GetFailure::Unresolved};
    }
    const std::vector<snmp::GetResult> results = profiles.get(requests, address);
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        if (snmp::Answered(results[static_cast<std::size_t>(i)])) {
            if (!candidates[i]->implicitPublic)
                printReason(
                    QStringLiteral("SNMP perfil %1 (v%2) em %3")
                        .arg(EscapedText(candidates[i]->name), candidates[i]->versionText(), address));
            return results[static_cast<std::size_t>(i)];
        }
    }
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        if (results[static_cast<std::size_t>(i)].failure == snmp::GetFailure::AuthenticationFailed)
            printReason(
                QStringLiteral("Falha de autenticação SNMPv3 em %1 (usuário %2): senha ou usuário incorreto")
                    .arg(address, EscapedText(QString::fromStdString(candidates[i]->credentials.user))));
    }
    return results.front();
}

// One GET as a technician checks a device with it: the value and 0; otherwise an empty line, the
// reason on standard error and 1 (no answer), 2 (not an OID, or no such profile) or 3 (the
// agent's error status, or v2c/v3 noSuchObject).
int runGet(const CommandLine& command)
{
    QString oid = command.oid;
    if (oid.startsWith(u'.'))
        oid.remove(0, 1); // as net-snmp's tools write them
    static const QRegularExpression dotted(QStringLiteral("^[0-9]+(\\.[0-9]+)+$"));
    if (!dotted.match(oid).hasMatch()) {
        printLine({});
        printReason(QStringLiteral("OID inválido: ") + EscapedText(command.oid));
        return 2;
    }
    std::optional<SnmpProfiles> profiles;
    if (!technicianProfiles(command, profiles)) {
        printLine({});
        return 2;
    }
    const snmp::GetResult result =
        profiles ? profiledGet(*profiles, oid, command.address)
                 : snmp::SnmpGet(oid.toStdString(), "public", command.address.toStdString());
    printLine(result.ok && result.errorStatus == 0 ? EscapedText(DecodeWindows1252(result.value))
                                                   : QString());
    if (result.failure == snmp::GetFailure::NoSuchObject) {
        printReason(QStringLiteral("o agente não tem o objeto %1 (noSuchObject)").arg(oid));
        return 3;
    }
    if (!result.ok) {
        printReason(QStringLiteral("sem resposta SNMP de ") + command.address);
        return 1;
    }
    if (result.errorStatus != 0) {
        printReason(QStringLiteral("o agente respondeu com erro %1%2 para %3")
                        .arg(result.errorStatus)
                        .arg(result.errorStatus == 2 ? QStringLiteral(" (noSuchName)") : QString())
                        .arg(oid));
        return 3;
    }
    return 0;
}

CollectorIdentity readIdentity(const QString& folder, LogSink& log)
{
    try {
        return LoadCollectorIdentity(folder);
    } catch (const IniFileError& error) {
        log.WriteLog(QStringLiteral("Não foi possível ler Coletor.ini: ") +
                     QString::fromLocal8Bit(error.what()));
        return {};
    }
}

DatabaseSettings readDatabaseSettings(const QString& folder, LogSink& log)
{
    try {
        return LoadDatabaseSettings(folder);
    } catch (const IniFileError& error) {
        log.WriteLog(QStringLiteral("Não foi possível ler Coletor.ini: ") +
                     QString::fromLocal8Bit(error.what()));
        DatabaseSettings settings = DatabaseSettings::embedded(folder);
        settings.problem = QString::fromLocal8Bit(error.what());
        return settings;
    }
}

// Log lines of a technician's probe go to the terminal, not to the service's LOG.TXT. Device
// texts arrive already escaped in the messages; escaping again would double their backslashes.
class StandardErrorLog final : public LogSink {
public:
    void WriteLog(const QString& message) override
    {
        std::fputs((message + u'\n').toUtf8().constData(), stderr);
    }
};

// A source that notes whether the device answered any GET at all.
class AnswerNotingSource final : public SnmpSource {
public:
    explicit AnswerNotingSource(SnmpSource& device) : m_device(device) {}
    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override
    {
        SnmpAnswer answer = m_device.SnmpGet(oid, community, host);
        answered = answered || answer.ok;
        return answer;
    }
    QList<SnmpAnswer> SnmpGetMany(const QStringList& oids, const QString& community,
                                  const QString& host) override
    {
        QList<SnmpAnswer> answers = m_device.SnmpGetMany(oids, community, host);
        for (const SnmpAnswer& answer : answers)
            answered = answered || answer.ok;
        return answers;
    }
    bool answered = false;

private:
    SnmpSource& m_device;
};

// What the collector would store for the device at the address, one "Column=value" line each in
// the DadosOid insert's order. Stores nothing; exit 0 when a printer (a serial number) was found.
int runProbe(const CommandLine& command, CollectorSettings& settings)
{
    StandardErrorLog log;
    class : public LogSink {
        void WriteLog(const QString&) override {} // the service's start lines mean nothing here
    } quiet;
    ServiceStart(settings, quiet, false);
    const CollectorIdentity identity = readIdentity(settings.ProgramFolder, log);
    // The model OID table is read from a database that exists; a probe never makes one.
    DatabaseSettings databaseSettings = readDatabaseSettings(settings.ProgramFolder, log);
    databaseSettings.createMissingFile = false;
    TDTM database(databaseSettings, identity, log);
    ModelOidLookup modelOids(database);
    std::optional<SnmpProfiles> profiles;
    if (!technicianProfiles(command, profiles))
        return 2;
    UdpSnmpSource udp;
    std::optional<ProfiledSnmpSource> profiled;
    if (profiles)
        profiled.emplace(*profiles, command.address, log);
    AnswerNotingSource noting(profiled ? static_cast<SnmpSource&>(*profiled) : udp);
    // Where nothing answers, two waits instead of thirteen, as in the walk.
    PrefetchingSnmpSource snmp(noting);

    DeviceReading reading;
    ClearReading(reading);
    IdentifyDevice(reading, command.address, snmp, log);
    const bool found = !IsBlank(reading.NSerie);
    if (!found && !noting.answered) {
        log.WriteLog(QStringLiteral("Nenhuma impressora identificada em ") + command.address +
                     QStringLiteral(" (sem resposta SNMP)"));
        return 1; // nothing read: no reading to show
    }
    const MakerFallbackSetting makerFallback = LoadMakerFallback(settings.ProgramFolder);
    if (!makerFallback.notice.isEmpty())
        log.WriteLog(makerFallback.notice);
    if (found)
        ReadManufacturerData(reading, command.address, snmp, modelOids, log, makerFallback.value);
    else
        log.WriteLog(QStringLiteral("Nenhuma impressora identificada em ") + command.address);

    const QDateTime now = QDateTime::currentDateTime();
    for (const auto& [column, value] : DadosOidDisplayColumns(reading, identity, settings, now, now.date()))
        printLine(column + u'=' + EscapedText(value));
    return found ? 0 : 1;
}

// The service, and --once, run on this (main) thread: it creates, uses and destroys the database
// connection and everything built on it, so no connection ever crosses a thread. With Simultaneos
// above 1 the walk's probing threads talk SNMP only and hand every address back to this thread
// (ConcurrentWalk.h). The host's signal thread reaches the service only through control requests,
// the stop (which also ends the SNMP waits in flight) and the statement cancel.
int runService(const CommandLine& command, CollectorSettings& settings, LogSink& file,
               SystemdNotifier& systemd)
{
    BlockControlSignals(); // before any other thread exists
    StopSignal stop;
    // The watchdog is fed while the service waits (the rest, the pause between passes, a pause
    // request), as each address of a pass is committed, and at the top of every pass: a pass
    // stuck on one address or statement starves it, and systemd restarts the collector.
    if (const auto interval = systemd.watchdogInterval(); interval.count() > 0)
        stop.setHeartbeat([&systemd] { systemd.alive(); },
                          std::chrono::duration_cast<std::chrono::milliseconds>(interval / 4));
    WalkOrderLog log(file);
    const CollectorIdentity identity = readIdentity(settings.ProgramFolder, log);
    const MakerFallbackSetting makerFallback = LoadMakerFallback(settings.ProgramFolder);
    if (!makerFallback.notice.isEmpty())
        log.WriteLog(makerFallback.notice);
    ProbeLimits limits = LoadProbeLimits(settings.ProgramFolder);
    const SnmpProfilesSetting profileSetting = LoadSnmpProfiles(settings.ProgramFolder);
    for (const QString& notice : profileSetting.notices)
        log.WriteLog(notice);
    const DatabaseSettings databaseSettings = readDatabaseSettings(settings.ProgramFolder, log);
    if (!DriverInstalled(databaseSettings.backend)) {
        // A service that runs on without its driver collects nothing behind an "active" state.
        const QString line =
            QStringLiteral("Driver do banco de dados %1 não instalado; instale o pacote %2 e "
                           "reinicie o serviço.")
                .arg(DriverName(databaseSettings.backend), DriverPackage(databaseSettings.backend));
        printReason(line);
        log.WriteLog(line);
        return kExitConfiguration;
    }
    TDTM database(databaseSettings, identity, log);
    // One engine for every GET of the concurrent walk: its thread owns its sockets; a stop ends
    // every GET in it at once.
    snmp::SnmpEngine engine({limits.engineSockets, limits.packetsPerSecond}, stop.descriptor());
    UdpSnmpSource snmp(snmp::kDefaultPort, snmp::kDefaultWaitMs, stop.descriptor());
    snmp.setEngine(&engine);
    std::optional<SnmpProfiles> profiles;
    if (profileSetting.configured) {
        profiles.emplace(profileSetting.profiles, snmp::kDefaultPort, snmp::kDefaultWaitMs,
                         stop.descriptor());
        profiles->setEngine(&engine);
    }
    DatabaseReadingStore directStore(database, settings);
    // A central server may be out of reach for hours: what cannot reach it waits in Pendentes.db.
    // The embedded database is on this machine, and needs no queue.
    std::optional<OutageHandling> outage;
    if (database.ConexaoWeb.settings().backend != DatabaseBackend::Sqlite)
        outage.emplace(settings.ProgramFolder, database, directStore, settings, log, stop);
    ReadingStore& store = outage ? outage->store() : directStore;
    CycleDatabase& cycleDatabase = outage ? outage->database() : database;
    ModelOidLookup modelOids(database);
    const std::unique_ptr<AddressWalk> walk =
        MakeWalk({snmp,
                  [&makerFallback](DeviceReading& reading, const QString& address, SnmpSource& device,
                                   ModelOidTable& oids, LogSink& lines) {
                      ReadManufacturerData(reading, address, device, oids, lines, makerFallback.value);
                  },
                  modelOids, store, profiles ? &*profiles : nullptr},
                 log, stop, limits.simultaneous, limits.probeThreads);
    walk->setAddressDone([&systemd] { systemd.alive(); });
    const QString injectedLocalIp = command.localIp;
    CollectionCycle cycle(
        identity, cycleDatabase, *walk,
        [injectedLocalIp] { return injectedLocalIp.isEmpty() ? FirstLocalIpv4Address() : injectedLocalIp; },
        log, stop);
    cycle.setPassEnded([&systemd](const QString& status) {
        systemd.status(status); // systemctl status shows how the last pass went
        systemd.alive();
    });
    TVorenta service(settings, log, stop, [&] {
        systemd.alive();
        for (const QString& notice : std::exchange(limits.notices, {}))
            log.WriteLog(notice); // in the first pass, once
        cycle.RunCycle(!command.once);
    });
    const int exitCode = RunServiceHost(
        service, command.once, [&database] { database.ConexaoWeb.cancelStatement(); },
        [&systemd] { systemd.ready(); });
    systemd.stopping();
    return exitCode;
}

} // namespace

int RunCollector(const CommandLine& command)
{
    // Vorenta.db holds the tool's password, LOG.TXT the fleet's addresses: what the collector
    // creates is for its own user and group only, whatever umask it was started with.
    ::umask(027);
    if (command.mode == CommandLine::Mode::Get)
        return runGet(command);

    if (command.mode == CommandLine::Mode::Report)
        return RunReport(command.report, programFolder(command)); // reads; no LOG.TXT line

    CollectorSettings settings = CollectorSettings::forProgramFolder(programFolder(command));
    if (command.mode == CommandLine::Mode::Probe)
        return runProbe(command, settings);
    const LogSettings logSettings = LoadLogSettings(settings.ProgramFolder);
    ActivityLog file(settings.LogFile, &QDateTime::currentDateTime, logSettings.keptFiles);
    // Under systemd every line also goes to the journal, which dates it; elsewhere LOG.TXT only.
    std::optional<JournalCopy> journal;
    if (command.mode != CommandLine::Mode::Install && command.mode != CommandLine::Mode::Uninstall &&
        StandardErrorIsJournal())
        journal.emplace(file);
    LogSink& log = journal ? static_cast<LogSink&>(*journal) : file;
    if (!logSettings.notice.isEmpty())
        log.WriteLog(logSettings.notice);

    switch (command.mode) {
    case CommandLine::Mode::Install:
    case CommandLine::Mode::Uninstall: {
        StopSignal stop;
        TVorenta service(settings, log, stop, [] {});
        UnitInstallation installation;
        if (!command.unitDirectory.isEmpty())
            installation.unitDirectory = command.unitDirectory;
        installation.executable = QCoreApplication::applicationFilePath();
        installation.programFolder = settings.ProgramFolder;
        installation.silent = command.silent;
        return command.mode == CommandLine::Mode::Install ? InstallService(service, installation)
                                                          : UninstallService(service, installation);
    }
    default:
        try {
            SystemdNotifier systemd;
            return runService(command, settings, log, systemd);
        } catch (const std::bad_alloc&) {
            // Before or around the loop (the passes end on their own, TVorenta): the same line.
            printReason(QStringLiteral("memória insuficiente"));
            log.WriteLog(TVorenta::OutOfMemoryLine());
            return kExitOutOfMemory;
        } catch (const std::system_error& error) {
            // A thread the service needs (the signal thread) refused by the system's limits.
            printReason(QString::fromLocal8Bit(error.what()));
            log.WriteLog(QStringLiteral("Coletor encerrado: o sistema recusou um recurso (%1); aumente os "
                                        "limites do serviço.")
                             .arg(QString::fromLocal8Bit(error.what())));
            return kExitOutOfMemory;
        }
    }
}

} // namespace vorenta
