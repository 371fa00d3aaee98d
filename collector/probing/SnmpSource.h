#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace vorenta {

/// One GET as identification and the readers see it: `value` is the reply's value as text, one
/// character per octet through Windows-1252, and is empty whenever `ok` is false.
struct SnmpAnswer {
    bool ok = false;
    QString value;
    /// ok is false because nothing came back within the wait: not a refusal, not a bad reply.
    /// Callers of the collector only look at `ok`; early silence (PrefetchingSnmpSource) needs this.
    bool timedOut = false;
    /// ok is false because the address refused the GET at once (nothing listens on its port).
    bool refused = false;
};

/// The collector's way of asking a device for one OID. The real one sends an SNMP v1 GET over
/// UDP; tests put recordings or scripted answers behind it.
class SnmpSource {
public:
    virtual ~SnmpSource() = default;
    virtual SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) = 0;

    /// One SnmpGet per OID, with the answers in the same order. Sources that can ask all of them
    /// at once and wait once (the UDP source) do so; this one asks them one after another.
    virtual QList<SnmpAnswer> SnmpGetMany(const QStringList& oids, const QString& community,
                                          const QString& host)
    {
        QList<SnmpAnswer> answers;
        answers.reserve(oids.size());
        for (const QString& oid : oids)
            answers.append(SnmpGet(oid, community, host));
        return answers;
    }

    /// True when SnmpGetManyLater hands the GETs to the network and returns at once, so that a
    /// walk can have many addresses wait on their answers without a thread each.
    virtual bool asksLater() { return false; }

    /// GETs handed over by SnmpGetManyLater and not sent yet (the network's pacing holds them).
    virtual std::size_t backlog() { return 0; }

    /// SnmpGetMany without waiting: `done` gets the same answers later, on another thread. This
    /// one asks now, on the calling thread; sources whose asksLater() holds return at once.
    virtual void SnmpGetManyLater(const QStringList& oids, const QString& community, const QString& host,
                                  std::function<void(QList<SnmpAnswer>)> done)
    {
        done(SnmpGetMany(oids, community, host));
    }
};

} // namespace vorenta
