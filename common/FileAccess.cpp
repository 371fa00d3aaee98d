#include "FileAccess.h"

#include <QFileInfo>

#include <fcntl.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vorenta {

namespace {

constexpr unsigned long long kFullBelowBytes = 1024 * 1024;

// By the effective user, the one that writes (access() would ask for the real one).
bool exists(const QByteArray& path)
{
    return ::faccessat(AT_FDCWD, path.constData(), F_OK, AT_EACCESS) == 0;
}

bool writable(const QByteArray& path)
{
    return ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) == 0;
}

} // namespace

QString CurrentUserName()
{
    const uid_t uid = ::geteuid();
    if (const passwd* entry = ::getpwuid(uid); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(uid);
}

WriteCheck CheckWritable(const QString& file)
{
    const QFileInfo info(file);
    const QString folder = info.absolutePath();
    const QByteArray path = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folderPath = QFile::encodeName(folder);

    if (!exists(folderPath))
        return {}; // no folder: nothing to tell about permissions or space, the driver's text says it
    bool allowed = exists(path) ? writable(path) : writable(folderPath);
    for (const char* companion : {"-wal", "-shm"}) {
        const QByteArray part = path + companion;
        // A companion that is missing is made in the folder; one that is there must be writable.
        allowed = allowed && (exists(part) ? writable(part) : writable(folderPath));
    }
    if (!allowed)
        return {WriteFault::NoPermission,
                QStringLiteral("sem permissão de escrita para o usuário ") + CurrentUserName(),
                QStringLiteral("corrija o dono do arquivo (") + info.absoluteFilePath() + u')'};

    struct statvfs space {};
    if (::statvfs(folderPath.constData(), &space) == 0 &&
        static_cast<unsigned long long>(space.f_bavail) * space.f_frsize < kFullBelowBytes)
        return {WriteFault::NoSpace, QStringLiteral("sem espaço em disco"),
                QStringLiteral("libere espaço em ") + folder};
    return {};
}

QString WriteProblem(const QString& file)
{
    const WriteCheck check = CheckWritable(file);
    if (check.fault == WriteFault::None)
        return {};
    return check.words + QStringLiteral("; ") + check.advice;
}

} // namespace vorenta
