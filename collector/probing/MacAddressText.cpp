#include "MacAddressText.h"

#include "common/Windows1252.h"

#include <QStringList>

namespace vorenta {

QString MacAddressText(const QString& value)
{
    constexpr qsizetype kOctets = 6;
    if (value.size() != kOctets)
        return value;
    // Back to the octets the device sent: 0x80-0x9F were decoded through the Windows-1252 table.
    const std::string octets = EncodeWindows1252(value);
    QStringList hex;
    for (char octet : octets)
        hex.append(QStringLiteral("%1").arg(static_cast<unsigned char>(octet), 2, 16, QChar(u'0')).toUpper());
    return hex.join(u':');
}

} // namespace vorenta
