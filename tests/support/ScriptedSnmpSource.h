#pragma once

#include "collector/probing/SnmpSource.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QStringList>

namespace vorenta::test {

/// An answer for ScriptedSnmpSource::inTurn: the device answered `value`.
inline SnmpAnswer Answers(const QString& value)
{
    return {true, value};
}

/// An answer for ScriptedSnmpSource::inTurn: the GET failed (time-out, refusal, error status).
inline const SnmpAnswer NoAnswer{};

/// A device as a table of OID -> answer, for unit tests of identification and the readers.
/// OIDs without an entry fail (a silent device) or, with `answersNoSuchName`, answer ok with an
/// empty value as a v1 agent does for objects it does not have. Records every GET it is asked.
///
///     ScriptedSnmpSource device;
///     device.set(G3, "").fail(G4);                       // the same answer to every GET
///     device.inTurn(G6, {NoAnswer, Answers("S6")});      // the first GET fails, the second answers
class ScriptedSnmpSource final : public SnmpSource {
public:
    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override
    {
        asked.append(oid);
        communities.append(community);
        hosts.append(host);
        const int call = m_calls[oid]++;
        if (const auto turns = m_turns.constFind(oid); turns != m_turns.cend())
            return turns->at(qMin<qsizetype>(call, turns->size() - 1));
        if (const auto found = answers.constFind(oid); found != answers.cend())
            return *found;
        return {answersNoSuchName, {}};
    }

    /// Answers `oid` with ok and `value`.
    ScriptedSnmpSource& set(const QString& oid, const QString& value)
    {
        answers.insert(oid, {true, value});
        return *this;
    }

    /// Lets `oid` fail even on a device that answers noSuchName.
    ScriptedSnmpSource& fail(const QString& oid)
    {
        answers.insert(oid, {false, {}});
        return *this;
    }

    /// Answers the GETs of `oid` one call at a time: the first GET gets the first answer, the
    /// second the second, and so on; once they are used up, the last one is repeated. Takes
    /// precedence over set() and fail() for that OID.
    ScriptedSnmpSource& inTurn(const QString& oid, QList<SnmpAnswer> turns)
    {
        Q_ASSERT(!turns.isEmpty());
        m_turns.insert(oid, std::move(turns));
        return *this;
    }

    QMap<QString, SnmpAnswer> answers;
    bool answersNoSuchName = false;
    QStringList asked;
    QStringList communities;
    QStringList hosts;

private:
    QHash<QString, QList<SnmpAnswer>> m_turns;
    QHash<QString, int> m_calls;
};

} // namespace vorenta::test
