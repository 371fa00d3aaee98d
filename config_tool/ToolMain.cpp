#include "ToolMain.h"

#include "ConfigForm.h"
#include "SqlToolDatabase.h"
#include "common/ActivityLog.h"
#include "common/IniFile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

#include <sys/stat.h>

namespace vorenta {

namespace {

// The collector's [BANCO]; an unreadable Coletor.ini leaves the embedded database, and the
// reason in the log.
DatabaseSettings collectorDatabase(const QString& programFolder)
{
    try {
        return LoadDatabaseSettings(programFolder);
    } catch (const IniFileError& error) {
        ActivityLog(QDir(programFolder).filePath(QStringLiteral("LOG.TXT")))
            .WriteLog(QStringLiteral("Erro: ") + QString::fromUtf8(error.what()));
        return DatabaseSettings::embedded(programFolder);
    }
}

} // namespace

int RunConfigVorenta(int argc, char** argv)
{
    // LOG.TXT and the embedded database hold customer data and may be the collector's own: what
    // the tool creates is for its user and group only, whatever umask it was started with.
    ::umask(027);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ConfigVorenta"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Configuração de Range de IP Vorenta"));
    parser.addHelpOption();
    const QCommandLineOption home(QStringLiteral("home"),
                                  QStringLiteral("Pasta do programa (LOG.TXT, Coletor.ini, banco embutido)."),
                                  QStringLiteral("DIR"));
    parser.addOption(home);
    parser.process(app);
    const QString programFolder =
        QDir(parser.isSet(home) ? parser.value(home) : QCoreApplication::applicationDirPath()).absolutePath();

    SqlToolDatabase database(collectorDatabase(programFolder), programFolder);
    TFConfig form(programFolder, database);
    // Queued, so the range list at the end of FormShow still runs before the program ends.
    QObject::connect(&form, &TFConfig::terminateRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    QTimer::singleShot(0, &form, &TFConfig::FormShow);
    return QApplication::exec();
}

} // namespace vorenta
