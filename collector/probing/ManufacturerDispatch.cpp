#include "ManufacturerDispatch.h"

#include "collector/probing/readers/ReadBrother.h"
#include "collector/probing/readers/ReadCanon.h"
#include "collector/probing/readers/ReadEpson.h"
#include "collector/probing/readers/ReadHp.h"
#include "collector/probing/readers/ReadKonicaMinolta.h"
#include "collector/probing/readers/ReadKyocera.h"
#include "collector/probing/readers/ReadLexmark.h"
#include "collector/probing/readers/ReadOki.h"
#include "collector/probing/readers/ReadRicoh.h"
#include "collector/probing/readers/ReadSamsung.h"
#include "collector/probing/readers/ReadSharp.h"
#include "common/ActivityLog.h"
#include "common/TextRules.h"

#include <QLatin1StringView>

#include <exception>

namespace vorenta {

namespace {

// Step 1, in this order: a reader's canonical text passes no later test, so at most one runs.
constexpr ManufacturerDispatchRow kManufacturerDispatch[] = {
    {IsBrother, ReadBrother},             // 1
    {IsLexmark, ReadLexmark},             // 2
    {IsSamsung, ReadSamsung},             // 3
    {IsOki, ReadOki},                     // 4
    {IsKyocera, ReadKyocera},             // 5
    {IsRicoh, ReadRicoh},                 // 6
    {IsHp, ReadHp},                       // 7
    {IsSharp, ReadSharp},                 // 8
    {IsEpson, ReadEpson},                 // 9
    {IsCanon, ReadCanon},                 // 10
    {IsKonicaMinolta, ReadKonicaMinolta}, // 11
};

// Step 2. Words of the second supply's description, in lower case.
constexpr QLatin1StringView kMonochromeWords[] = {
    QLatin1StringView{"drum"},
    QLatin1StringView{"fuser"},
    QLatin1StringView{"unid. imagem"},
    QLatin1StringView{"black"},
};

// Step 3. The names of table Oid in lookup order, the field each one sets, and whether an empty
// answer is taken: an empty total counter would lose the reader's count.
struct ModelOidName {
    QLatin1StringView NomeInfo;
    QString DeviceReading::*field;
    bool emptyTaken;
};

constexpr ModelOidName kModelOidNames[] = {
    {QLatin1StringView{"ContadorGeral"}, &DeviceReading::ContGeral, false},
    {QLatin1StringView{"ContadorColor"}, &DeviceReading::ContColor, true},
    {QLatin1StringView{"ContadorPB"}, &DeviceReading::ContPb, true},
    {QLatin1StringView{"ContadorScan"}, &DeviceReading::ContScan, true},
    {QLatin1StringView{"Status"}, &DeviceReading::StatusEquip, true},
    {QLatin1StringView{"Falha"}, &DeviceReading::Falha, true},
    {QLatin1StringView{"Inf1"}, &DeviceReading::inf1, true},
    {QLatin1StringView{"Inf2"}, &DeviceReading::inf2, true},
    {QLatin1StringView{"Inf3"}, &DeviceReading::inf3, true},
    {QLatin1StringView{"Inf4"}, &DeviceReading::inf4, true},
    {QLatin1StringView{"Inf5"}, &DeviceReading::inf5, true},
    {QLatin1StringView{"ContA3"}, &DeviceReading::ContA3, true},
    {QLatin1StringView{"ContA4"}, &DeviceReading::ContA4, true},
    {QLatin1StringView{"ContJams"}, &DeviceReading::ContJams, true},
    {QLatin1StringView{"NivelB"}, &DeviceReading::NivelB, true},
    {QLatin1StringView{"NivelY"}, &DeviceReading::NivelY, true},
    {QLatin1StringView{"NivelC"}, &DeviceReading::NivelC, true},
    {QLatin1StringView{"NivelM"}, &DeviceReading::NivelM, true},
};

// Tries every row in order, each on Fabricante as the readers before left it. True when a
// reader ran.
bool RunDispatchTable(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    bool readerRan = false;
    for (const ManufacturerDispatchRow& row : kManufacturerDispatch) {
        if (row.test(reading.Fabricante)) {
            row.reader(reading, address, source);
            readerRan = true;
        }
    }
    return readerRan;
}

} // namespace

bool IsBrother(const QString& Fabricante)
{
    return EqualsIgnoringCase(Fabricante, {"BROTHER"});
}

bool IsLexmark(const QString& Fabricante)
{
    return EqualsIgnoringCase(Fabricante, {"LEXMARK INTERNATIONAL", "LEXMARK"});
}

bool IsSamsung(const QString& Fabricante)
{
    return EqualsIgnoringCase(Fabricante, {"SAMSUNG ELECTRONICS", "SAMSUNG", "SAMSUNG ELECTRONICS LTD"});
}

bool IsOki(const QString& Fabricante)
{
    return EqualsIgnoringCase(Fabricante, {"OKI DATA CORP", "OKI"});
}

bool IsKyocera(const QString& Fabricante)
{
    return EqualsIgnoringCase(Fabricante, {"KYOCERA MITA PRINTING SYSTEM", "KYOCERA MITA", "KYOCERA",
                                           "KYOCERA DOCUMENT SOLUTIONS PRINTING SYSTEM"});
}

bool IsRicoh(const QString& Fabricante)
{
    return EqualsTrimmed(UpperAscii(Fabricante), {"RICOH"});
}

bool IsHp(const QString& Fabricante)
{
    return EqualsIgnoringCase(Fabricante, {"HEWLETT-PACKARD", "HP"}) ||
           UpperAscii(Fabricante.left(2)) == u"HP";
}

bool IsSharp(const QString& Fabricante)
{
    return EqualsIgnoringCase(Fabricante, {"SHARP"});
}

bool IsEpson(const QString& Fabricante)
{
    return EqualsIgnoringCase(Fabricante, {"EPSON"});
}

bool IsCanon(const QString& Fabricante)
{
    return EqualsIgnoringCase(Fabricante, {"CANON"});
}

bool IsKonicaMinolta(const QString& Fabricante)
{
    return EqualsIgnoringCase(Fabricante, {"KONICA MINOLTA"});
}

std::span<const ManufacturerDispatchRow> ManufacturerDispatchTable()
{
    return kManufacturerDispatch;
}

void ReadManufacturerData(DeviceReading& reading, const QString& address, SnmpSource& source,
                          ModelOidTable& modelOids, LogSink& log, MakerFallback makerFallback)
{
    // 1. Manufacturer dispatch.
    DispatchManufacturer(reading, address, source, makerFallback);
    // 2. Monochrome rule.
    MonochromeRule(reading);
    // 3. Model OID table.
    ApplyModelOidTable(reading, address, source, modelOids, log);
}

void DispatchManufacturer(DeviceReading& reading, const QString& address, SnmpSource& source,
                          MakerFallback makerFallback)
{
    if (RunDispatchTable(reading, address, source))
        return;
    if (makerFallback != MakerFallback::SysObjectId || IsBlank(reading.NSerie))
        return;
    // Texts that name only the model ("SHARP MX-3570N", "Canon LBP6670 /P"): the enterprise
    // number of the device's sysObjectID names its maker.
    const SnmpAnswer sysObjectId = ReaderDevice(source, address).ask(kSysObjectId);
    if (!sysObjectId.ok)
        return;
    if (const std::optional<QLatin1StringView> maker = MakerOfSysObjectId(sysObjectId.value)) {
        // The text that named no maker is the device's name for itself. Without a model text of
        // its own (identification takes the maker's name out of the model, here all of it), the
        // model is that text less the maker's name, so the row and the readers' model tests keep
        // what the device said.
        if (IsBlank(reading.Modelo))
            reading.Modelo = Trim(QString(reading.Fabricante).remove(*maker, Qt::CaseInsensitive));
        reading.Fabricante = *maker;
        RunDispatchTable(reading, address, source);
    }
}

void MonochromeRule(DeviceReading& reading)
{
    const QString L = LowerAscii(reading.SupriY);
    for (QLatin1StringView word : kMonochromeWords) {
        if (L.contains(word)) {
            reading.ContColor.clear();
            reading.ContPb = reading.ContGeral;
        }
    }
}

void ApplyModelOidTable(DeviceReading& reading, const QString& address, SnmpSource& source,
                        ModelOidTable& modelOids, LogSink& log)
{
    if (!modelOids.ConnectDatabase())
        return; // the connection has logged why

    ReaderDevice device(source, address);
    // The one guard of this step: a lookup that fails ends the step, not the device's reading.
    try {
        for (const ModelOidName& name : kModelOidNames) {
            const std::optional<QString> oid = modelOids.BuscaOid(reading.Modelo, name.NomeInfo);
            if (!oid)
                continue;
            const SnmpAnswer V = device.ask(*oid);
            if (V.ok && (name.emptyTaken || !IsEmpty(V.value)))
                reading.*name.field = V.value;
        }
    } catch (const std::exception& error) {
        log.WriteLog(QStringLiteral("Não foi possível gravar dados ") + QString::fromUtf8(error.what()));
    }
}

} // namespace vorenta
