#pragma once

#include "config_tool/ToolDatabase.h"

#include <QString>
#include <QUrl>

#include <chrono>

namespace vorenta {

class LogSink;

/// The settings file the provider's web server hands out, saved in the program folder, read
/// and deleted at every start.
inline constexpr const char* kSettingsFileName = "Vorenta.ini";
/// Where the settings text lives on the provider's web server.
inline constexpr const char* kSettingsResource = "/Vorenta/Vorenta.txt";
/// A download never holds up the start for longer than this.
inline constexpr std::chrono::milliseconds kDownloadTimeout{15000};

/// The provider's web server: Coletor.ini [CONFIG] ServidorWeb when set, else the build's
/// VORENTA_PROVIDER_WEB_URL.
QString ProviderWebUrl(const QString& programFolder);

/// Fetches `url` into the file `path`, replacing it only when the whole resource arrived with
/// HTTP status 200. False on any failure, including the time-out; never throws.
bool DownloadFile(const QUrl& url, const QString& path, std::chrono::milliseconds timeout = kDownloadTimeout);

/// Servidor and BancoDados from the settings file in `programFolder` (a missing key gives the
/// empty text), or `defaults` when there is no file; then deletes the file, logging
/// "Erro: " with the reason when that fails.
ServerSettings ReadServerSettings(const QString& programFolder, const ServerSettings& defaults, LogSink& log);

/// The start-up connection: downloads the settings file from `webUrl`, reads and deletes it,
/// and connects `database`. Logs "Erro de conexão. : " with the driver's text and returns false
/// when the connection fails.
bool ConnectToServer(const QString& programFolder, const QString& webUrl, ToolDatabase& database,
                     LogSink& log);

} // namespace vorenta
