#include "AddressWalk.h"

#include "common/TextRules.h"

#include <QStringList>

namespace vorenta {

QString NetworkPrefix(const QString& address)
{
    int dots = 0;
    for (qsizetype i = 0; i < address.size(); ++i) {
        if (address[i] == u'.' && ++dots == 3)
            return address.left(i + 1);
    }
    return {};
}

QString DottedAddress::prefix() const
{
    return QStringLiteral("%1.%2.%3.").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]);
}

std::optional<DottedAddress> ParseDottedAddress(const QString& text, bool anyHost)
{
    constexpr int kMaxNumber = 255;
    constexpr qsizetype kMaxHostDigits = 9; // still an int
    const QStringList groups = Trim(text).split(u'.');
    if (groups.size() != 4)
        return std::nullopt;
    DottedAddress address;
    for (int i = 0; i < 4; ++i) {
        const QString& group = groups[i];
        const bool host = i == 3;
        if (group.isEmpty() || group.size() > kMaxHostDigits)
            return std::nullopt;
        for (QChar c : group) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
        }
        const int number = group.toInt();
        if (number > kMaxNumber && !(host && anyHost))
            return std::nullopt;
        address.numbers[static_cast<size_t>(i)] = number;
    }
    return address;
}

} // namespace vorenta
