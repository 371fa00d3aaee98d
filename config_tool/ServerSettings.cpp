#include "ServerSettings.h"

#include "common/ActivityLog.h"
#include "common/CollectorIdentity.h"
#include "common/IniFile.h"
#include "common/TextRules.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTimer>

namespace vorenta {

namespace {

QString settingsPath(const QString& programFolder)
{
    return QDir(programFolder).filePath(QString::fromLatin1(kSettingsFileName));
}

} // namespace

QString ProviderWebUrl(const QString& programFolder)
{
    const QString fallback = QStringLiteral(VORENTA_PROVIDER_WEB_URL);
    try {
        const IniFile ini(QDir(programFolder).filePath(QString::fromLatin1(kCollectorIniName)));
        const QString configured = ini.value(QStringLiteral("CONFIG"), QStringLiteral("ServidorWeb"));
        return IsBlank(configured) ? fallback : Trim(configured);
    } catch (const IniFileError&) {
        return fallback;
    }
}

bool DownloadFile(const QUrl& url, const QString& path, std::chrono::milliseconds timeout)
{
    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(timeout.count()));
    QNetworkReply* reply = network.get(request);

    // The transfer time-out only counts silence; this one bounds the whole download, so a server
    // that trickles bytes cannot hold the start either.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeout);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    const bool arrived = reply->error() == QNetworkReply::NoError &&
                         reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    const QByteArray body = arrived ? reply->readAll() : QByteArray();
    reply->deleteLater();
    if (!arrived)
        return false;

    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(body) == body.size() && out.commit();
}

ServerSettings ReadServerSettings(const QString& programFolder, const ServerSettings& defaults, LogSink& log)
{
    const QString path = settingsPath(programFolder);
    QFile file(path);
    if (!file.exists())
        return defaults;

    ServerSettings settings;
    try {
        const IniFile ini(path);
        const QString section = QStringLiteral("CONFIG");
        settings.Servidor = ini.value(section, QStringLiteral("Servidor"));
        settings.BancoDados = ini.value(section, QStringLiteral("BancoDados"));
    } catch (const IniFileError& error) {
        // An unreadable file holds no settings: both values stay empty, as for missing keys.
        log.WriteLog(QStringLiteral("Erro: ") + QString::fromStdString(error.what()));
    }
    if (!file.remove())
        log.WriteLog(QStringLiteral("Erro: ") + file.errorString());
    return settings;
}

bool ConnectToServer(const QString& programFolder, const QString& webUrl, ToolDatabase& database,
                     LogSink& log)
{
    // The result is not needed: a failed download leaves any settings file already in the folder.
    DownloadFile(QUrl(webUrl + QString::fromLatin1(kSettingsResource)), settingsPath(programFolder));
    const ServerSettings settings = ReadServerSettings(programFolder, database.defaults(), log);
    try {
        database.connect(settings);
    } catch (const std::exception& error) {
        log.WriteLog(QStringLiteral("Erro de conexão. : ") + QString::fromUtf8(error.what()));
        return false;
    }
    return true;
}

} // namespace vorenta
