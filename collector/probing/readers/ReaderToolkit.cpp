#include "ReaderToolkit.h"

#include "collector/probing/MacAddressText.h"

namespace vorenta {

namespace {

const QString kCommunity = QStringLiteral("public");

// A raw MAC address: what ifPhysAddress-like objects answer.
constexpr qsizetype kMacOctets = 6;

template <typename Holds> bool anyOf(std::initializer_list<const char*> constants, Holds holds)
{
    for (const char* constant : constants) {
        if (holds(QLatin1StringView(constant)))
            return true;
    }
    return false;
}

} // namespace

bool ReaderDevice::GET(const QString& oid, QString& field)
{
    const SnmpAnswer answer = m_source.SnmpGet(oid, kCommunity, m_address);
    if (answer.ok)
        field = Trim(answer.value);
    return answer.ok;
}

bool ReaderDevice::GETMacAddress(const QString& oid, QString& field)
{
    const SnmpAnswer answer = m_source.SnmpGet(oid, kCommunity, m_address);
    if (answer.ok)
        field = answer.value.size() == kMacOctets ? MacAddressText(answer.value) : Trim(answer.value);
    return answer.ok;
}

bool ReaderDevice::GETUnlessEmpty(const QString& oid, QString& field)
{
    const SnmpAnswer answer = ask(oid);
    if (answer.ok && !IsEmpty(answer.value))
        field = answer.value;
    return answer.ok && !IsEmpty(answer.value);
}

QString ReaderDevice::GETSum(const QString& a, QString& slotA, const QString& b, QString& slotB)
{
    GET(a, slotA);
    GET(b, slotB);
    return AddCounters(slotA, slotB);
}

void ReaderDevice::GETAndAdd(std::initializer_list<QLatin1StringView> oids, QString& slot, QString& total)
{
    for (QLatin1StringView oid : oids) {
        GET(oid, slot);
        total = AddCounters(total, slot);
    }
}

SnmpAnswer ReaderDevice::ask(const QString& oid)
{
    SnmpAnswer answer = m_source.SnmpGet(oid, kCommunity, m_address);
    answer.value = answer.ok ? Trim(answer.value) : QString();
    return answer;
}

QString CounterDifference(const QString& a, const QString& b)
{
    try {
        const QString difference = SubtractCounters(a, b);
        return difference.startsWith(u'-') ? QString() : difference;
    } catch (const CounterOverflow&) {
        return {};
    }
}

void SetTotalOfParts(QString& total, const QString& a, const QString& b)
{
    if (!IsEmpty(a) && !IsEmpty(b))
        total = AddCounters(a, b);
}

bool EqualsIgnoringCase(const QString& field, std::initializer_list<const char*> constants)
{
    const QString upper = UpperAscii(field);
    return anyOf(constants, [&](QLatin1StringView constant) { return upper == UpperAscii(constant); });
}

bool EqualsTrimmed(const QString& field, std::initializer_list<const char*> constants)
{
    const QString trimmed = Trim(field);
    return anyOf(constants, [&](QLatin1StringView constant) { return trimmed == constant; });
}

bool EqualsExactly(const QString& field, std::initializer_list<const char*> constants)
{
    return anyOf(constants, [&](QLatin1StringView constant) { return field == constant; });
}

} // namespace vorenta
