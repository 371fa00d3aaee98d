#include "SystemdUnit.h"

#include "collector/service/UnitTemplate.h"

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

// ExecStart's executable: quoted for blanks, '%' (a specifier) doubled. systemd takes '$' in it
// literally and refuses quotes and backslashes there (see UnitPathProblem).
QString execExecutable(const QString& path)
{
    QString escaped = path;
    return u'"' + escaped.replace(u'%', QStringLiteral("%%")) + u'"';
}

// An ExecStart argument as systemd reads it back literally: quoted, with C escapes for '\\' and
// '"', and '%' (a specifier) and '$' (a variable) doubled.
QString execArgument(const QString& value)
{
    QString escaped;
    for (const QChar c : value) {
        if (c == u'\\' || c == u'"')
            escaped += u'\\';
        else if (c == u'%' || c == u'$')
            escaped += c;
        escaped += c;
    }
    return u'"' + escaped + u'"';
}

// WorkingDirectory takes the rest of the line as the path: no quotes, only '%' doubled.
QString pathValue(const QString& path)
{
    QString escaped = path;
    return escaped.replace(u'%', QStringLiteral("%%"));
}

// ReadWritePaths takes a list of paths: the folder quoted, with C escapes for '\\' and '"', and
// '%' (a specifier) doubled; '$' is literal there.
QString listedPath(const QString& path)
{
    QString escaped;
    for (const QChar c : path) {
        if (c == u'\\' || c == u'"')
            escaped += u'\\';
        else if (c == u'%')
            escaped += c;
        escaped += c;
    }
    return u'"' + escaped + u'"';
}

} // namespace

QString ProtectHomeValue(const QString& programFolder)
{
    // ProtectHome=yes makes these folders unreachable, so a program folder inside one of them
    // needs them read-only instead; ReadWritePaths then opens the folder itself.
    const QString folder = QDir::cleanPath(programFolder) + u'/';
    for (const char* hidden : {"/home/", "/root/", "/run/user/"})
        if (folder.startsWith(QLatin1String(hidden)))
            return QStringLiteral("read-only");
    return QStringLiteral("yes");
}

QString UnitPathProblem(const QString& path, UnitPath role)
{
    if (!QDir::isAbsolutePath(path))
        return QStringLiteral("caminho não absoluto: ") + path;
    for (const QChar c : path) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("caminho com caractere de controle: ") + path;
        if (role == UnitPath::Executable && (c == u'"' || c == u'\'' || c == u'\\'))
            return QStringLiteral("caminho do programa com aspas ou barra invertida: ") + path;
    }
    if (path.back().isSpace())
        return QStringLiteral("caminho terminado em espaço: ") + path;
    return {};
}

QString UnitFileText(const UnitInstallation& installation)
{
    const QString folder = QDir::cleanPath(installation.programFolder);
    QString text = QString::fromUtf8(unit_template::kText);
    text.replace(QStringLiteral("@VORENTA_EXECUTABLE@"), execExecutable(installation.executable));
    text.replace(QStringLiteral("@VORENTA_HOME@"), execArgument(folder));
    text.replace(QStringLiteral("@VORENTA_WORKING_DIRECTORY@"), pathValue(folder));
    // A hand install has no service user of its own: it runs as root, which the sandbox strips
    // of every capability, and may write its program folder only.
    text.replace(QStringLiteral("@VORENTA_FOLDER_ACCESS@"),
                 QStringLiteral("ReadWritePaths=") + listedPath(folder));
    text.replace(QStringLiteral("@VORENTA_PROTECT_HOME@"), ProtectHomeValue(folder));
    return text;
}

int InstallService(TVorenta& service, const UnitInstallation& installation)
{
    service.ServiceBeforeInstall();
    const QString problem = UnitPathProblem(installation.executable, UnitPath::Executable) +
                            UnitPathProblem(QDir::cleanPath(installation.programFolder), UnitPath::Folder);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "VorentaServer: não foi possível instalar o serviço: %s\n", qPrintable(problem));
        return 1;
    }
    QDir().mkpath(installation.unitDirectory);
    QSaveFile unit(QDir(installation.unitDirectory).filePath(QString::fromLatin1(kUnitFileName)));
    if (!unit.open(QIODevice::WriteOnly) || unit.write(UnitFileText(installation).toUtf8()) < 0 ||
        !unit.commit()) {
        std::fprintf(stderr, "VorentaServer: não foi possível instalar o serviço: %s\n",
                     qPrintable(unit.errorString()));
        return 1;
    }
    // Unit files are world-readable like every other unit, whatever the collector's umask.
    QFile::setPermissions(unit.fileName(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
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
