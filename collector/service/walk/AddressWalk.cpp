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

HostRun RangeHosts(const QString& startText, const QString& endText, LogSink& log)
{
    constexpr int kLastHost = 254;
    // The rules the tool checks before it stores a range; the list rules are the load's concern.
    const IpRangeVerdict verdict = CheckIpRange(startText, endText, {}, IpRangeEnd::HostPastNetwork);
    if (!verdict.range)
        throw RangeWalkError(verdict.reason.toStdString());
    const IpRange& range = *verdict.range;
    HostRun run{range.prefix, range.firstHost, std::min(range.lastHost, kLastHost)};
    if (verdict.problem == IpRangeProblem::EndBeforeStart) {
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
