#include "StartupSettings.h"

#include "common/IniFile.h"
#include "common/TextRules.h"

#include <QFile>

#include <unistd.h>

#include <climits>
#include <exception>

namespace vorenta {

namespace {

const QString kContactsSection = QStringLiteral("CONFIG");

// Contatos.ini as the collector creates it: the dash keys only separate the groups for a person
// editing the file.
const char* const kContactsTemplate[] = {
    "------------------------------------------",
    "CODEMPRESA",
    "---------------------------",
    "Contato1",
    "Telefone1",
    "email1",
    "--------------------------------------",
    "Contato2",
    "Telefone2",
    "email2",
    "---------------------------------------",
    "Contato3",
    "Telefone3",
    "email3",
    "----------------------------------------",
};

constexpr qsizetype kContactLength = 99;
constexpr qsizetype kTelephoneLength = 20;

} // namespace

QString ReadComputerName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return QString::fromLocal8Bit(name).left(15);
}

void ServiceStart(CollectorSettings& settings, LogSink& log, bool writeContactsTemplate)
{
    settings.ComputerName = ReadComputerName();
    settings.AltDataFile = settings.ProgramFolder + QStringLiteral("AltData.TXT");
    log.WriteLog(QStringLiteral("Vorenta Server Iniciado!"));
    settings.VersionText = QString::fromUtf8(kVersionText);
    log.WriteLog(settings.VersionText);

    IniFile contacts(settings.ProgramFolder + QStringLiteral("Contatos.ini"));
    if (writeContactsTemplate && !contacts.exists()) {
        // No guard: a folder where the template cannot be written stops the start.
        for (const char* key : kContactsTemplate)
            contacts.setValue(kContactsSection, QString::fromLatin1(key), QString());
    }

    try {
        if (contacts.exists()) {
            const auto read = [&](const char* key, qsizetype length) {
                return Trim(contacts.value(kContactsSection, QString::fromLatin1(key)).left(length));
            };
            settings.CodEmpresa = read("CODEMPRESA", kContactLength);
            settings.Contato1 = read("Contato1", kContactLength);
            settings.Telefone1 = read("Telefone1", kTelephoneLength);
            settings.email1 = read("email1", kContactLength);
            settings.Contato2 = read("Contato2", kContactLength);
            settings.Telefone2 = read("Telefone2", kTelephoneLength);
            settings.email2 = read("email2", kContactLength);
            settings.Contato3 = read("Contato3", kContactLength);
            settings.Telefone3 = read("Telefone3", kTelephoneLength);
            settings.email3 = read("email3", kContactLength);
        } else {
            log.WriteLog(QStringLiteral("Arquivo de contato não existe."));
        }
    } catch (const std::exception&) {
        log.WriteLog(QStringLiteral("Não foi possivel carregar dados do arquivo de contato."));
    }

    log.WriteLog(QStringLiteral("Cód.Empresa: ") + settings.CodEmpresa);

    if (QFile::exists(settings.AltDataFile)) {
        settings.DateTimeFormat = QString::fromLatin1(kMonthFirstFormat);
        log.WriteLog(QStringLiteral("Formato de data em padrão americano."));
    } else {
        settings.DateTimeFormat = QString::fromLatin1(kDayFirstFormat);
    }
}

} // namespace vorenta
