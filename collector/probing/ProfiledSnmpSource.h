#pragma once

#include "collector/probing/SnmpProfiles.h"
#include "collector/probing/SnmpSource.h"

#include <QList>
#include <QString>

namespace vorenta {

class LogSink;

/// The SnmpSource of one visit to one address when the site has SNMP profiles.
///
/// Its first GET goes out with every profile that applies to the address at once and is awaited
/// once; the earliest profile (in SnmpProfiles::forAddress's order) that answered at all, even
/// with noSuchName or noSuchObject, is used for every later GET of the visit. Until one has
/// answered, every GET (the rest of a silent device's chain among them) goes out with every
/// profile still in play, so a silent address still costs the two waits of early silence. A v3
/// profile whose user or password the agent refuses is dropped for this visit with one line.
/// The community identification passes is ignored: the profiles say what goes out.
///
/// One source per visit, used by one thread; the SnmpProfiles behind it is shared.
class ProfiledSnmpSource final : public SnmpSource {
public:
    /// `gets`: where the GETs go, when not straight to `profiles` (a walk's record of the visit).
    ProfiledSnmpSource(SnmpProfiles& profiles, const QString& address, LogSink& log,
                       ProfileGets* gets = nullptr);

    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override;
    QList<SnmpAnswer> SnmpGetMany(const QStringList& oids, const QString& community,
                                  const QString& host) override;

    /// The profile this visit settled on, or null while none has answered.
    const SnmpProfile* chosen() const { return m_chosen; }

private:
    QList<SnmpAnswer> ask(const QStringList& oids, const QString& host);

    SnmpProfiles& m_profiles;
    ProfileGets& m_gets;
    const QString m_address;
    LogSink& m_log;
    QList<const SnmpProfile*> m_candidates;
    const SnmpProfile* m_chosen = nullptr;
};

/// A GET's result as identification reads it: the value's octets as Windows-1252 text.
SnmpAnswer AnswerOf(const snmp::GetResult& result);

} // namespace vorenta
