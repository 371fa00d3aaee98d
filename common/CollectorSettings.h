#pragma once

#include <QString>

namespace vorenta {

/// What every stored reading carries and how dates are written, read once per service start
/// (see ServiceStart). Only the program folder and the log path are known before.
struct CollectorSettings {
    QString ProgramFolder; ///< ends with '/'
    QString LogFile;       ///< ProgramFolder + "LOG.TXT"
    QString AltDataFile;   ///< ProgramFolder + "AltData.TXT"
    QString VersionText;
    QString ComputerName;
    QString CodEmpresa;
    QString Contato1, Contato2, Contato3;
    QString Telefone1, Telefone2, Telefone3;
    QString email1, email2, email3;
    QString DateTimeFormat; ///< "dd/mm/yyyy hh:mm:ss", or "mm/dd/yyyy hh:mm:ss" with AltData.TXT

    /// Settings known from program start: the folder and the log path.
    static CollectorSettings forProgramFolder(const QString& programFolder)
    {
        CollectorSettings settings;
        settings.ProgramFolder = programFolder.endsWith(u'/') ? programFolder : programFolder + u'/';
        settings.LogFile = settings.ProgramFolder + QStringLiteral("LOG.TXT");
        return settings;
    }
};

inline constexpr const char* kVersionText = "Versão 3.6 b";
inline constexpr const char* kDayFirstFormat = "dd/mm/yyyy hh:mm:ss";
inline constexpr const char* kMonthFirstFormat = "mm/dd/yyyy hh:mm:ss";

} // namespace vorenta
