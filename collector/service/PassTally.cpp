#include "PassTally.h"

#include <algorithm>

namespace vorenta {

void PassTally::count(StoreOutcome outcome)
{
    switch (outcome) {
    case StoreOutcome::Stored:
        ++stored;
        return;
    case StoreOutcome::Queued:
        ++queued;
        return;
    case StoreOutcome::Refused:
        ++refused;
        return;
    case StoreOutcome::Failed:
    case StoreOutcome::Unreachable:
        ++errors;
        return;
    }
}

QString PassSummaryLine(const PassTally& tally, std::chrono::milliseconds wallTime, bool interrupted)
{
    // Rounded to tenths in integers: no binary fraction decides which way 10,25 s goes.
    const long long tenths = (std::max<long long>(wallTime.count(), 0) + 50) / 100;
    return QStringLiteral("%1: %2 endereços, %3 equipamentos, %4 gravados, %5 pendentes, %6 recusados, "
                          "%7 erros, %8,%9 s")
        .arg(interrupted ? QStringLiteral("Busca interrompida") : QStringLiteral("Busca concluída"))
        .arg(tally.addresses)
        .arg(tally.devices)
        .arg(tally.stored)
        .arg(tally.queued)
        .arg(tally.refused)
        .arg(tally.errors)
        .arg(tenths / 10)
        .arg(tenths % 10);
}

} // namespace vorenta
