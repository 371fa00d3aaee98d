#include "DadosOidColumns.h"

#include "common/TextRules.h"

#include <array>

namespace vorenta {

namespace {

constexpr int kIdentityDateDefaultDays = 300;
const QString kDisplayDateTime = QStringLiteral("dd/MM/yyyy HH:mm:ss");

struct ColumnWidth {
    const char16_t* column;
    int width;
};

// The text columns the store writes or compares, with their widths in common/database/schema/
// (the same on every back end; tests/database/StoredTextTest.cpp checks this table against the
// files). ListaEquipCli, UltLog, alerta and exclusao use these names with these widths too.
constexpr std::array kTextColumnWidths{
    ColumnWidth{u"IDServ", 50},       ColumnWidth{u"Chave", 50},       ColumnWidth{u"LocalInstal", 512},
    ColumnWidth{u"IP", 20},           ColumnWidth{u"MacAddress", 255}, ColumnWidth{u"NSerie", 255},
    ColumnWidth{u"Modelo", 255},      ColumnWidth{u"Fabricante", 255}, ColumnWidth{u"ContGeral", 50},
    ColumnWidth{u"ContColor", 50},    ColumnWidth{u"ContPb", 50},      ColumnWidth{u"ContScan", 50},
    ColumnWidth{u"StatusEquip", 200}, ColumnWidth{u"Falha", 50},       ColumnWidth{u"Computador", 50},
    ColumnWidth{u"IpInternet", 50},   ColumnWidth{u"tel1", 20},        ColumnWidth{u"tel2", 20},
    ColumnWidth{u"tel3", 20},         ColumnWidth{u"email1", 99},      ColumnWidth{u"email2", 99},
    ColumnWidth{u"email3", 99},       ColumnWidth{u"contato1", 99},    ColumnWidth{u"contato2", 99},
    ColumnWidth{u"contato3", 99},     ColumnWidth{u"inf1", 255},       ColumnWidth{u"inf2", 255},
    ColumnWidth{u"inf3", 255},        ColumnWidth{u"inf4", 255},       ColumnWidth{u"inf5", 255},
    ColumnWidth{u"ContA3", 50},       ColumnWidth{u"ContA4", 50},      ColumnWidth{u"ContJams", 50},
    ColumnWidth{u"NivelB", 50},       ColumnWidth{u"NivelY", 50},      ColumnWidth{u"NivelC", 50},
    ColumnWidth{u"NivelM", 50},       ColumnWidth{u"SupriB", 255},     ColumnWidth{u"SupriY", 255},
    ColumnWidth{u"SupriC", 255},      ColumnWidth{u"SupriM", 255},     ColumnWidth{u"DurabB", 50},
    ColumnWidth{u"DurabY", 50},       ColumnWidth{u"DurabC", 50},      ColumnWidth{u"DurabM", 50},
    ColumnWidth{u"Versao", 50},       ColumnWidth{u"CodEmpresa", 99},  ColumnWidth{u"Notificado", 10},
    ColumnWidth{u"TipoAlerta", 20},   ColumnWidth{u"Situacao", 20},    ColumnWidth{u"IdLeitura", 40},
};

} // namespace

int TextColumnWidth(const QString& column)
{
    for (const ColumnWidth& entry : kTextColumnWidths) {
        if (column.compare(QStringView(entry.column), Qt::CaseInsensitive) == 0)
            return entry.width;
    }
    return 0;
}

QString StoredText(const QString& column, const QString& text)
{
    QString stored = text;
    stored.replace(QChar(u'\0'), QStringLiteral("\\x00"));
    const int width = TextColumnWidth(column);
    Q_ASSERT(width > 0);
    if (width > 0 && stored.size() > width) {
        qsizetype keep = width;
        if (stored[keep - 1].isHighSurrogate())
            --keep; // half a character is no character to any server
        stored.truncate(keep);
    }
    return stored;
}

QString FixStatusText(const QString& text)
{
    static const QList<QPair<QChar, QChar>> fixes{
        {u'Õ', u'í'}, {u'Ã', u'á'}, {u'µ', u'ç'}, {u'Æ', u'ó'}, {u'Ä', u'á'},
    };
    QString fixed = text;
    for (const auto& [found, written] : fixes)
        fixed.replace(found, written);
    return fixed;
}

QDateTime IdentityDateValue(const QString& IdentityDate, const QDate& today)
{
    const QString text = Trim(IdentityDate);
    QDate date = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    if (!date.isValid())
        date = QDate::fromString(text, QStringLiteral("d/M/yyyy"));
    if (!date.isValid())
        date = today.addDays(kIdentityDateDefaultDays);
    return QDateTime(date, QTime(0, 0, 0));
}

QList<StoreColumn> DadosOidColumns(const DeviceReading& r, const CollectorIdentity& identity,
                                   const CollectorSettings& s, const QDateTime& ServerNow, const QDate& today)
{
    QList<StoreColumn> columns{
        {QStringLiteral("IDServ"), Trim(identity.IDServ)},
        {QStringLiteral("Chave"), Trim(identity.Chave)},
        {QStringLiteral("LocalInstal"), Trim(identity.InstallationLocation + u' ' + r.DeviceLocation)},
        {QStringLiteral("DataExp"), IdentityDateValue(identity.IdentityDate, today)},
        {QStringLiteral("DataLog"), ServerNow},
        {QStringLiteral("IP"), Trim(r.IP)},
        {QStringLiteral("MacAddress"), r.MacAddress}, // as read
        {QStringLiteral("NSerie"), Trim(r.NSerie)},
        {QStringLiteral("Modelo"), Trim(r.Modelo)},
        {QStringLiteral("Fabricante"), Trim(r.Fabricante)},
        {QStringLiteral("ContGeral"), Trim(r.ContGeral)},
        {QStringLiteral("ContColor"), Trim(r.ContColor)},
        {QStringLiteral("ContPb"), Trim(r.ContPb)},
        {QStringLiteral("ContScan"), Trim(r.ContScan)},
        {QStringLiteral("StatusEquip"), Trim(FixStatusText(r.StatusEquip))},
        {QStringLiteral("Falha"), Trim(r.Falha)},
        {QStringLiteral("Computador"), Trim(s.ComputerName)},
        {QStringLiteral("IpInternet"), QStringLiteral("")},
        {QStringLiteral("tel1"), Trim(s.Telefone1)},
        {QStringLiteral("tel2"), Trim(s.Telefone2)},
        {QStringLiteral("tel3"), Trim(s.Telefone3)},
        {QStringLiteral("email1"), Trim(s.email1)},
        {QStringLiteral("email2"), Trim(s.email2)},
        {QStringLiteral("email3"), Trim(s.email3)},
        {QStringLiteral("contato1"), Trim(s.Contato1)},
        {QStringLiteral("contato2"), Trim(s.Contato2)},
        {QStringLiteral("contato3"), Trim(s.Contato3)},
        {QStringLiteral("inf1"), Trim(r.inf1)},
        {QStringLiteral("inf2"), Trim(r.inf2)},
        {QStringLiteral("inf3"), Trim(r.inf3)},
        {QStringLiteral("inf4"), Trim(r.inf4)},
        {QStringLiteral("inf5"), Trim(r.inf5)},
        {QStringLiteral("ContA3"), Trim(r.ContA3)},
        {QStringLiteral("ContA4"), Trim(r.ContA4)},
        {QStringLiteral("ContJams"), Trim(r.ContJams)},
        {QStringLiteral("NivelB"), Trim(r.NivelB)},
        {QStringLiteral("NivelY"), Trim(r.NivelY)},
        {QStringLiteral("NivelC"), Trim(r.NivelC)},
        {QStringLiteral("NivelM"), Trim(r.NivelM)},
        {QStringLiteral("SupriB"), Trim(r.SupriB)},
        {QStringLiteral("SupriY"), Trim(r.SupriY)},
        {QStringLiteral("SupriC"), Trim(r.SupriC)},
        {QStringLiteral("SupriM"), Trim(r.SupriM)},
        {QStringLiteral("DurabB"), Trim(r.DurabB)},
        {QStringLiteral("DurabY"), Trim(r.DurabY)},
        {QStringLiteral("DurabC"), Trim(r.DurabC)},
        {QStringLiteral("DurabM"), Trim(r.DurabM)},
        {QStringLiteral("Versao"), Trim(s.VersionText)},
        {QStringLiteral("CodEmpresa"), Trim(s.CodEmpresa)},
    };
    // StatusEquip and Falha are cut here too, to 200 and 50 characters, like every other text.
    for (StoreColumn& c : columns) {
        if (c.value.metaType() == QMetaType::fromType<QString>())
            c.value = StoredText(c.column, c.value.toString());
    }
    return columns;
}

QList<QPair<QString, QString>> DadosOidDisplayColumns(const DeviceReading& reading,
                                                      const CollectorIdentity& identity,
                                                      const CollectorSettings& settings,
                                                      const QDateTime& ServerNow, const QDate& today)
{
    QList<QPair<QString, QString>> shown;
    for (const StoreColumn& c : DadosOidColumns(reading, identity, settings, ServerNow, today)) {
        const bool isDate = c.value.metaType() == QMetaType::fromType<QDateTime>();
        shown.append(
            {c.column, isDate ? c.value.toDateTime().toString(kDisplayDateTime) : c.value.toString()});
    }
    return shown;
}

} // namespace vorenta
