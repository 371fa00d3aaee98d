#include "MakerFromOid.h"

namespace vorenta {

namespace {

/// Private enterprise numbers (IANA's registry, "SMI Network Management Private Enterprise
/// Codes") of the makers the collector has a reader for, with the maker text each reader's
/// dispatch test holds for. Devices built by a maker and sold under another brand report the
/// builder's number and speak its private MIB (TA Triumph-Adler, UTAX and Copystar devices answer
/// under KYOCERA's 1347; Develop under KONICA MINOLTA's 18334), so they need no row of their own.
/// A brand with a number of its own (Xerox 253, Toshiba 1129, Dell 674) has no reader and no row.
struct EnterpriseMaker {
    int number;
    QLatin1StringView Fabricante;
};

constexpr EnterpriseMaker kEnterpriseMakers[] = {
    {2435, QLatin1StringView{"BROTHER"}},         // Brother Industries, Ltd.
    {641, QLatin1StringView{"LEXMARK"}},          // Lexmark International
    {236, QLatin1StringView{"SAMSUNG"}},          // Samsung Electronics Co., Ltd.
    {2001, QLatin1StringView{"OKI"}},             // OKI Data Corporation
    {1347, QLatin1StringView{"KYOCERA"}},         // Kyocera Corporation
    {367, QLatin1StringView{"RICOH"}},            // Ricoh Company Ltd.
    {11, QLatin1StringView{"HP"}},                // Hewlett-Packard
    {2385, QLatin1StringView{"SHARP"}},           // Sharp Corporation
    {1248, QLatin1StringView{"EPSON"}},           // SEIKO EPSON Corporation
    {1602, QLatin1StringView{"CANON"}},           // Canon Inc.
    {18334, QLatin1StringView{"KONICA MINOLTA"}}, // Konica Minolta Holdings, Inc.
};

constexpr QLatin1StringView kEnterprises{"1.3.6.1.4.1."};

} // namespace

std::optional<QLatin1StringView> MakerOfSysObjectId(const QString& value)
{
    if (!value.startsWith(kEnterprises))
        return std::nullopt;
    // The enterprise number runs to the next dot or to the end: "1.3.6.1.4.1.23850.1" is 23850,
    // not SHARP's 2385.
    const QStringView rest = QStringView(value).mid(kEnterprises.size());
    const qsizetype dot = rest.indexOf(u'.');
    const QStringView digits = dot < 0 ? rest : rest.left(dot);
    bool isNumber = false;
    const int number = digits.toInt(&isNumber);
    if (!isNumber || digits.isEmpty() || !digits.front().isDigit() || (dot >= 0 && dot == rest.size() - 1))
        return std::nullopt;
    for (const EnterpriseMaker& maker : kEnterpriseMakers) {
        if (maker.number == number)
            return maker.Fabricante;
    }
    return std::nullopt;
}

} // namespace vorenta
