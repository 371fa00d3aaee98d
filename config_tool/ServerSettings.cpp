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

#include <optional>

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

void StartDownload(const QUrl& url, const QString& path, std::chrono::milliseconds timeout, QObject* context,
                   std::function<void(bool arrived)> done)
{
    // Owned by `context`, so a form closed meanwhile takes the transfer with it and `done` never runs.
    auto* network = new QNetworkAccessManager(context);
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(timeout.count()));
    QNetworkReply* reply = network->get(request);

    // The transfer time-out only counts silence; this one bounds the whole download, so a server
    // that trickles bytes cannot hold the start either.
    auto* deadline = new QTimer(network);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, network, [=, done = std::move(done)] {
        deadline->stop();
        const bool arrived = reply->error() == QNetworkReply::NoError &&
                             reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
        const QByteArray body = arrived ? reply->readAll() : QByteArray();
        network->deleteLater();
        bool saved = false;
        if (arrived) {
            QSaveFile out(path);
            saved = out.open(QIODevice::WriteOnly) && out.write(body) == body.size() && out.commit();
        }
        done(saved);
    });
    deadline->start(timeout);
}

bool DownloadFile(const QUrl& url, const QString& path, std::chrono::milliseconds timeout)
{
    QObject context;
    QEventLoop loop;
    std::optional<bool> result;
    StartDownload(url, path, timeout, &context, [&](bool arrived) {
        result = arrived;
        loop.quit();
    });
    if (!result)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return *result;
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

void StartConnectToServer(const QString& programFolder, const QString& webUrl, ToolDatabase& database,
                          LogSink& log, QObject* context, std::function<void(bool connected)> done)
{
    const QString url = webUrl + QString::fromLatin1(kSettingsResource);
    const QString path = settingsPath(programFolder);
    StartDownload(QUrl(url), path, kDownloadTimeout, context,
                  [programFolder, url, path, &database, &log, done = std::move(done)](bool arrived) {
                      // A failed download leaves any settings file already in the folder in use.
                      const bool kept = !arrived && QFile::exists(path);
                      const ServerSettings settings = ReadServerSettings(programFolder, database.defaults(), log);
                      bool connected = true;
                      QString failure;
                      try {
                          database.connect(settings);
                      } catch (const std::exception& error) {
                          connected = false;
                          failure = QString::fromUtf8(error.what());
                      }
                      const QString source =
                          arrived ? QStringLiteral("Configurações baixadas de ") + url
                          : kept  ? QStringLiteral("Servidor web indisponível (") + url +
                                       QStringLiteral("); usado o Vorenta.ini da pasta")
                                  : QStringLiteral("Servidor web indisponível (") + url +
                                       QStringLiteral("); usadas as configurações padrão");
                      log.WriteLog(source + QStringLiteral(": Servidor=") + EscapedText(settings.Servidor) +
                                   QStringLiteral(" BancoDados=") + EscapedText(settings.BancoDados) +
                                   QStringLiteral("; banco de dados em uso: ") + database.describe());
                      if (!connected)
                          log.WriteLog(QStringLiteral("Erro de conexão. : ") + failure);
                      done(connected);
                  });
}

bool ConnectToServer(const QString& programFolder, const QString& webUrl, ToolDatabase& database,
                     LogSink& log)
{
    QObject context;
    QEventLoop loop;
    std::optional<bool> result;
    StartConnectToServer(programFolder, webUrl, database, log, &context, [&](bool connected) {
        result = connected;
        loop.quit();
    });
    if (!result)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return *result;
}

} // namespace vorenta
