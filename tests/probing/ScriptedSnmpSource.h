#pragma once

#include "collector/probing/SnmpSource.h"

#include <QMap>
#include <QStringList>

namespace vorenta::test {

/// A device as a table of OID -> answer, for unit tests of identification and the readers.
/// OIDs without an entry fail (a silent device) or, with `answersNoSuchName`, answer ok with an
/// empty value as a v1 agent does for objects it does not have. Records every GET it is asked.
class ScriptedSnmpSource final : public SnmpSource {
public:
    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override
    {
        asked.append(oid);
        communities.append(community);
        hosts.append(host);
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

    QMap<QString, SnmpAnswer> answers;
    bool answersNoSuchName = false;
    QStringList asked;
    QStringList communities;
    QStringList hosts;
};

} // namespace vorenta::test
