#pragma once

#include "config_tool/ToolDatabase.h"

#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>

class QObject;

namespace vorenta {

class LogSink;

/// The settings file the provider's web server hands out, saved in the program folder, read
/// and deleted at every start.
inline constexpr const char* kSettingsFileName = "Vorenta.ini";
/// Where the settings text lives on the provider's web server.
inline constexpr const char* kSettingsResource = "/Vorenta/Vorenta.txt";
/// A download never takes longer than this; the login is usable meanwhile.
inline constexpr std::chrono::milliseconds kDownloadTimeout{5000};

/// The provider's web server: Coletor.ini [CONFIG] ServidorWeb when set, else the build's
/// VORENTA_PROVIDER_WEB_URL.
QString ProviderWebUrl(const QString& programFolder);

/// Starts fetching `url` into the file `path` and returns at once; `done` runs on this thread with
/// true when the whole resource arrived with HTTP status 200 and replaced the file, false on any
/// failure (the file is then left alone), at the latest after `timeout`. Nothing runs once
/// `context` is gone.
void StartDownload(const QUrl& url, const QString& path, std::chrono::milliseconds timeout, QObject* context,
                   std::function<void(bool arrived)> done);

/// StartDownload, waited for (user input is held meanwhile). Never throws.
bool DownloadFile(const QUrl& url, const QString& path, std::chrono::milliseconds timeout = kDownloadTimeout);

/// Servidor and BancoDados from the settings file in `programFolder` (a missing key gives the
/// empty text), or `defaults` when there is no file; then deletes the file, logging
/// "Erro: " with the reason when that fails.
ServerSettings ReadServerSettings(const QString& programFolder, const ServerSettings& defaults, LogSink& log);

/// The start-up connection, without blocking: downloads the settings file from `webUrl`, reads
/// and deletes it, connects `database`, logs which settings were used and where they came from
/// (and "Erro de conexão. : " with the reason when the connection fails), then calls `done`.
/// Nothing runs once `context` is gone.
void StartConnectToServer(const QString& programFolder, const QString& webUrl, ToolDatabase& database,
                          LogSink& log, QObject* context, std::function<void(bool connected)> done);

/// StartConnectToServer, waited for. True when the connection was opened.
bool ConnectToServer(const QString& programFolder, const QString& webUrl, ToolDatabase& database,
                     LogSink& log);

} // namespace vorenta
