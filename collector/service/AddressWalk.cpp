#include "AddressWalk.h"

#include "common/ActivityLog.h"
#include "common/TextRules.h"

#include <QStringList>

#include <algorithm>

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

HostRun RangeHosts(const QString& startText, const QString& endText, LogSink& log)
{
    constexpr int kLastHost = 254;
    const std::optional<DottedAddress> start = ParseDottedAddress(startText);
    const std::optional<DottedAddress> end = ParseDottedAddress(endText, true);
    if (!start || !end || end->prefix() != start->prefix())
        throw RangeWalkError("not a range of one network: " + startText.toStdString() + " - " +
                             endText.toStdString());
    HostRun run{start->prefix(), start->host(), std::min(end->host(), kLastHost)};
    if (end->host() < start->host()) {
        log.WriteLog(QStringLiteral("Range de IP invertido, nada coletado: ") + EscapedText(startText) +
                     QStringLiteral(" - ") + EscapedText(endText));
        run.lastHost = run.firstHost - 1;
    }
    return run;
}

void ForEachHost(int firstHost, int lastHost, const std::function<bool(int host)>& visit)
{
    constexpr int kSkippedHost = 255;
    for (int host = firstHost; host <= lastHost; ++host) {
        if (host != kSkippedHost && !visit(host))
            return;
    }
}

} // namespace vorenta
