#include "IpRange.h"

#include "TextRules.h"

#include <QStringList>

#include <algorithm>

namespace vorenta {

namespace {

// The walk never visits host 255 (the broadcast address of the /24), nor anything above it.
constexpr int kLastWalkedHost = 254;

int walkedEnd(const IpRange& range)
{
    return std::min(range.lastHost, kLastWalkedHost);
}

IpRangeVerdict refused(IpRangeProblem problem, QString reason)
{
    IpRangeVerdict verdict;
    verdict.problem = problem;
    verdict.reason = std::move(reason);
    return verdict;
}

} // namespace

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

QString IpRange::text() const
{
    return prefix + QString::number(firstHost) + QStringLiteral(" - ") + prefix + QString::number(lastHost);
}

IpRangeVerdict CheckIpRange(const QString& startText, const QString& endText, const QList<IpRange>& listed,
                            IpRangeEnd endRule)
{
    const std::optional<DottedAddress> start = ParseDottedAddress(startText);
    if (!start)
        return refused(IpRangeProblem::StartNotAddress,
                       QStringLiteral("O IP inicial deve ser um endereço completo, quatro números de 0 a 255 "
                                      "separados por pontos: 192.168.0.1"));
    const std::optional<DottedAddress> end =
        ParseDottedAddress(endText, endRule == IpRangeEnd::HostPastNetwork);
    if (!end) {
        // Three groups that match the start's network are the commonest slip: show the whole end.
        return refused(IpRangeProblem::EndNotAddress,
                       QStringLiteral("O IP final deve ser um endereço completo, quatro números de 0 a 255 "
                                      "separados por pontos: ") +
                           start->prefix() + QStringLiteral("254"));
    }
    if (end->prefix() != start->prefix())
        return refused(IpRangeProblem::OtherNetwork,
                       QStringLiteral("O IP final deve estar na mesma rede /24 do IP inicial: ") + start->prefix() +
                           u'x');

    const IpRange range{start->prefix(), start->host(), end->host()};
    if (range.lastHost < range.firstHost) {
        IpRangeVerdict verdict = refused(
            IpRangeProblem::EndBeforeStart,
            QStringLiteral("O IP final deve ser igual ou maior que o IP inicial: ") +
                IpRange{range.prefix, range.lastHost, range.firstHost}.text());
        verdict.range = range;
        return verdict;
    }

    for (qsizetype i = 0; i < listed.size(); ++i) {
        const IpRange& other = listed[i];
        if (other.prefix != range.prefix)
            continue;
        const int first = std::max(range.firstHost, other.firstHost);
        const int last = std::min(walkedEnd(range), walkedEnd(other));
        if (first > last)
            continue;
        IpRangeVerdict verdict;
        verdict.range = range;
        verdict.listedIndex = i;
        if (range.firstHost == other.firstHost && walkedEnd(range) == walkedEnd(other)) {
            verdict.problem = IpRangeProblem::AlreadyListed;
            verdict.reason = QStringLiteral("Este range já está na lista: ") + other.text();
            verdict.coveredByListed = true;
        } else {
            verdict.problem = IpRangeProblem::Overlaps;
            verdict.reason = QStringLiteral("Este range tem IPs em comum com o range ") + other.text() +
                             QStringLiteral(" da lista: informe IPs fora dele ou exclua-o antes.");
            verdict.coveredByListed =
                other.firstHost <= range.firstHost && walkedEnd(range) <= walkedEnd(other);
        }
        return verdict;
    }
    IpRangeVerdict verdict;
    verdict.range = range;
    return verdict;
}

} // namespace vorenta
