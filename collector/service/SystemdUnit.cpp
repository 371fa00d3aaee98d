#include "SystemdUnit.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>

namespace vorenta {

namespace {

// systemctl only acts on the system's own unit folder; tests install into a temporary one.
bool isSystemUnitDirectory(const QString& directory)
{
    return QDir::cleanPath(directory) == QStringLiteral("/etc/systemd/system");
}

void systemctl(const QStringList& arguments)
{
    if (QStandardPaths::findExecutable(QStringLiteral("systemctl")).isEmpty())
        return;
    QProcess::execute(QStringLiteral("systemctl"), arguments);
}

QString quoted(const QString& path)
{
    return u'"' + path + u'"';
}

} // namespace

QString UnitFileText(const UnitInstallation& installation)
{
    const QString folder = QDir::cleanPath(installation.programFolder);
    QString text;
    text += QStringLiteral("[Unit]\n");
    text += QStringLiteral("Description=SrvVorenta\n");
    text += QStringLiteral("Wants=network-online.target\n");
    text += QStringLiteral("After=network-online.target postgresql.service\n\n");
    text += QStringLiteral("[Service]\n");
    text += QStringLiteral("Type=simple\n");
    text += QStringLiteral("ExecStart=%1 --home %2\n").arg(quoted(installation.executable), quoted(folder));
    text += QStringLiteral("WorkingDirectory=%1\n").arg(quoted(folder));
    text += QStringLiteral("Restart=on-failure\n");
    text += QStringLiteral("RestartSec=10\n");
    // SIGTERM stops the collector within seconds; SIGUSR1 pauses and SIGUSR2 resumes it.
    text += QStringLiteral("KillSignal=SIGTERM\n");
    text += QStringLiteral("TimeoutStopSec=30\n");
    // Sandbox: the collector needs UDP to the LAN, its own folder and the database, nothing else.
    text += QStringLiteral("NoNewPrivileges=yes\n");
    text += QStringLiteral("PrivateTmp=yes\n");
    text += QStringLiteral("ProtectSystem=full\n");
    text += QStringLiteral("ProtectControlGroups=yes\n");
    text += QStringLiteral("ProtectKernelModules=yes\n");
    text += QStringLiteral("ProtectKernelTunables=yes\n");
    text += QStringLiteral("RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX AF_NETLINK\n\n");
    text += QStringLiteral("[Install]\n");
    text += QStringLiteral("WantedBy=multi-user.target\n");
    return text;
}

int InstallService(TVorenta& service, const UnitInstallation& installation)
{
    service.ServiceBeforeInstall();
    QDir().mkpath(installation.unitDirectory);
    QSaveFile unit(QDir(installation.unitDirectory).filePath(QString::fromLatin1(kUnitFileName)));
    if (!unit.open(QIODevice::WriteOnly) || unit.write(UnitFileText(installation).toUtf8()) < 0 ||
        !unit.commit()) {
        std::fprintf(stderr, "VorentaServer: não foi possível instalar o serviço: %s\n",
                     qPrintable(unit.errorString()));
        return 1;
    }
    if (isSystemUnitDirectory(installation.unitDirectory)) {
        systemctl({QStringLiteral("daemon-reload")});
        systemctl({QStringLiteral("enable"), QString::fromLatin1(kUnitFileName)});
    }
    service.ServiceAfterInstall();
    if (!installation.silent)
        std::printf("Serviço SrvVorenta instalado.\n");
    return 0;
}

int UninstallService(TVorenta& service, const UnitInstallation& installation)
{
    service.ServiceBeforeUninstall();
    const QString path = QDir(installation.unitDirectory).filePath(QString::fromLatin1(kUnitFileName));
    if (isSystemUnitDirectory(installation.unitDirectory))
        systemctl({QStringLiteral("disable"), QStringLiteral("--now"), QString::fromLatin1(kUnitFileName)});
    if (QFile::exists(path) && !QFile::remove(path)) {
        std::fprintf(stderr, "VorentaServer: não foi possível remover %s\n", qPrintable(path));
        return 1;
    }
    if (isSystemUnitDirectory(installation.unitDirectory))
        systemctl({QStringLiteral("daemon-reload")});
    if (!installation.silent)
        std::printf("Serviço SrvVorenta removido.\n");
    return 0;
}

} // namespace vorenta
