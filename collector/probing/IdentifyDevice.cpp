#include "IdentifyDevice.h"

#include "collector/probing/MacAddressText.h"
#include "collector/probing/SnmpSource.h"
#include "collector/probing/TextOperations.h"
#include "common/ActivityLog.h"
#include "common/TextRules.h"

#include <QStringList>

namespace vorenta {

using namespace IdentificationOid;

namespace {

const QString kCommunity = QStringLiteral("public");

/// One answer in the terms identification uses: `ok`, `V` (the value trimmed) and `text` (the
/// value as read, for the two steps that must not trim first).
struct Answer {
    bool ok = false;
    QString text;
    QString V;
};

/// GET with the community and address of this visit.
class Device {
public:
    Device(SnmpSource& source, const QString& address) : m_source(source), m_address(address) {}

    Answer GET(QLatin1StringView oid)
    {
        const SnmpAnswer answer = m_source.SnmpGet(oid, kCommunity, m_address);
        return {answer.ok, answer.value, Trim(answer.value)};
    }

private:
    SnmpSource& m_source;
    const QString& m_address;
};

/// The serial number chain: each object is asked only while NSerie is still empty; a successful
/// answer from a maker's private object also names the maker, even when its value is empty.
struct SerialSource {
    QLatin1StringView oid;
    QLatin1StringView Fabricante; // empty: the manufacturer is not changed
};

constexpr SerialSource kSerialChain[] = {
    {G4, {}},
    {G3, {}},
    {G5, {}},
    {G6, QLatin1StringView{"RICOH"}},
    {G7, QLatin1StringView{"RICOH"}},
    {G8, QLatin1StringView{"RICOH"}},
    {G9, QLatin1StringView{"LEXMARK"}},
};

bool IsSamsung(const QString& Fabricante)
{
    static const QStringList kSamsungTexts = {QStringLiteral("SAMSUNG ELECTRONICS"),
                                              QStringLiteral("SAMSUNG ELECTRONICS LTD"),
                                              QStringLiteral("SAMSUNG")};
    return kSamsungTexts.contains(UpperAscii(Fabricante));
}

bool UpperContains(const QString& text, QLatin1StringView word)
{
    return UpperAscii(text).contains(word);
}

} // namespace

std::optional<QString> KnownDeviceStateText(const QString& status)
{
    if (status == u"1")
        return QStringLiteral("1-Desconhecido");
    if (status == u"2")
        return QStringLiteral("2-TUDO OK");
    if (status == u"3")
        return QStringLiteral("3-Warning");
    if (status == u"4")
        return QStringLiteral("4-Testando");
    if (status == u"5")
        return QStringLiteral("5-Inoperante");
    return std::nullopt;
}

QString DeviceStateText(const QString& status)
{
    return KnownDeviceStateText(status).value_or(QStringLiteral("1-Desconhecido"));
}

QString SupplyLevelText(const QString& level)
{
    if (level == u"-1" || level == u"-2")
        return QStringLiteral("N/D");
    if (level == u"-3")
        return QStringLiteral("OK");
    return level;
}

QString SupplyCapacityText(const QString& capacity)
{
    if (capacity == u"-1" || capacity == u"-2")
        return QStringLiteral("N/D");
    return capacity;
}

void IdentifyDevice(DeviceReading& reading, const QString& address, SnmpSource& source, LogSink& log)
{
    Device device(source, address);
    DeviceReading& r = reading;
    Answer a;

    // 1. The address, and no MAC address from an earlier visit.
    r.IP = address;
    r.MacAddress.clear();

    // 2-3. Manufacturer text from the Printer MIB, else from Ricoh's object.
    if ((a = device.GET(G1)).ok)
        r.Fabricante = a.V;
    if (IsBlank(r.Fabricante) && (a = device.GET(G2)).ok)
        r.Fabricante = a.V;

    // 4. Samsung keeps its serial number in the Printer MIB.
    if (IsSamsung(r.Fabricante)) {
        r.Fabricante = QStringLiteral("SAMSUNG");
        if ((a = device.GET(G3)).ok)
            r.NSerie = a.V;
    }

    // 5. Serial number chain, standard and private objects in turn.
    for (const SerialSource& serial : kSerialChain) {
        if (!r.NSerie.isEmpty())
            break;
        if ((a = device.GET(serial.oid)).ok) {
            r.NSerie = a.V;
            if (!serial.Fabricante.isEmpty())
                r.Fabricante = serial.Fabricante;
        }
    }
    if (r.NSerie.isEmpty()) {
        if ((a = device.GET(G10)).ok)
            r.NSerie = a.V;
        r.Fabricante = QStringLiteral("EPSON");
    }

    // 6-7. Vendor names of the output and input trays.
    if (IsBlank(r.Fabricante) && (a = device.GET(G11)).ok)
        r.Fabricante = a.V;
    if (IsBlank(r.Fabricante) && (a = device.GET(G12)).ok)
        r.Fabricante = a.V;

    // 8. Kyocera's system description names it whatever the other objects said.
    if ((a = device.GET(G13)).ok && UpperAscii(a.V) == u"KYOCERA MITA PRINTING SYSTEM")
        r.Fabricante = QStringLiteral("KYOCERA");

    // 9. The Port Monitor MIB's device-ID text.
    if (IsBlank(r.Fabricante)) {
        if ((a = device.GET(G14)).ok)
            r.Fabricante = a.V;
        if (UpperContains(r.Fabricante, QLatin1StringView("EPSON")))
            r.Fabricante = QStringLiteral("EPSON");
        if (UpperContains(r.Fabricante, QLatin1StringView("KYOCERA")))
            r.Fabricante = QStringLiteral("KYOCERA");
    }

    // 10. The system description, reduced to a maker it names.
    if (IsBlank(r.Fabricante)) {
        if ((a = device.GET(G13)).ok)
            r.Fabricante = a.V;
        if (UpperContains(r.Fabricante, QLatin1StringView("EPSON")))
            r.Fabricante = QStringLiteral("EPSON");
        else if (UpperContains(r.Fabricante, QLatin1StringView("HP")))
            r.Fabricante = QStringLiteral("HP");
        else if (UpperContains(r.Fabricante, QLatin1StringView("KYOCERA")))
            r.Fabricante = QStringLiteral("KYOCERA");
    }

    // 11. The system description as it is.
    if (IsBlank(r.Fabricante) && (a = device.GET(G13)).ok)
        r.Fabricante = a.V;

    // 12. HP's device-ID text: manufacturer, model and serial number.
    if (IsBlank(r.NSerie)) {
        if ((a = device.GET(G15)).ok)
            r.DeviceIdString = a.V;
        if (TextBetween(r.DeviceIdString, QStringLiteral("MFG:"), QStringLiteral(";")) == u"HP") {
            r.Fabricante = QStringLiteral("HP");
            const QString model = TextBetween(r.DeviceIdString, QStringLiteral("MDL:"), QStringLiteral(";"));
            if (!model.isEmpty())
                r.Modelo = model;
            const QString serial = TextBetween(r.DeviceIdString, QStringLiteral("SN:"), QStringLiteral(";"));
            if (!serial.isEmpty())
                r.NSerie = serial;
        }
    }

    // 13. Ricoh's serial number once more; the manufacturer stays.
    if (r.NSerie.isEmpty() && (a = device.GET(G6)).ok)
        r.NSerie = a.V;

    // 14. No serial number: no printer worth reading here.
    if (IsBlank(r.NSerie))
        return;

    // 15. Model, without the manufacturer's name.
    if ((a = device.GET(G16)).ok)
        r.Modelo = Trim(ReplaceAll(a.text, r.Fabricante, {}));

    // 16. MAC address, untrimmed (a raw octet may be a blank or a control character).
    if ((a = device.GET(G17)).ok) {
        r.MacAddress = MacAddressText(a.text);
        log.WriteLog(QStringLiteral("MAC1: ") + EscapedText(r.MacAddress));
    }

    // 17-20. Total counter, alert, device state, location.
    if ((a = device.GET(G18)).ok)
        r.ContGeral = a.V;
    if ((a = device.GET(G19)).ok)
        r.StatusEquip = a.V;
    if ((a = device.GET(G20)).ok)
        r.Falha = DeviceStateText(a.V);
    if ((a = device.GET(G21)).ok)
        r.DeviceLocation = a.V;

    // 21. Supplies 1 to 4: description, level, maximum capacity.
    for (const MarkerSupply& supply : kMarkerSupplies) {
        if ((a = device.GET(supply.descriptionOid)).ok)
            r.*supply.Supri = a.V;
        if ((a = device.GET(supply.levelOid)).ok)
            r.*supply.Nivel = SupplyLevelText(a.V);
        if ((a = device.GET(supply.maxCapacityOid)).ok)
            r.*supply.Durab = SupplyCapacityText(a.V);
    }

    // 22. These counters are the readers' alone.
    r.ContA4.clear();
    r.ContA3.clear();
    r.ContJams.clear();
}

const QStringList& SilentDeviceChain()
{
    // Every GET runs out its wait; whatever identification asks then is the chain.
    class NothingAnswers final : public SnmpSource {
    public:
        SnmpAnswer SnmpGet(const QString& oid, const QString&, const QString&) override
        {
            asked.append(oid);
            return {false, {}, true};
        }
        QStringList asked;
    };
    class NoLog final : public LogSink {
        void WriteLog(const QString&) override {}
    };
    static const QStringList chain = [] {
        NothingAnswers device;
        NoLog log;
        DeviceReading reading;
        IdentifyDevice(reading, QStringLiteral("0.0.0.0"), device, log);
        return device.asked;
    }();
    return chain;
}

} // namespace vorenta
