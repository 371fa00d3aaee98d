#include "ReaderCases.h"

#include "tests/support/LoopbackDevice.h"
#include "tests/support/ReadingFields.h"

#include <gtest/gtest.h>

#include <QHash>

#include <algorithm>

namespace vorenta::test {

namespace {

constexpr int kFirstHost = 10;

// The GETs of `asked` that were not refused, in order.
QStringList answeredCalls(const QStringList& asked, const QList<Refused>& refused)
{
    QStringList answered;
    QHash<QString, int> calls;
    for (const QString& oid : asked) {
        const int call = ++calls[oid];
        const bool isRefused = std::any_of(refused.begin(), refused.end(), [&](const Refused& r) {
            return r.oid == oid && (r.call == LoopbackDevice::kEveryCall || r.call == call);
        });
        if (!isRefused)
            answered << oid;
    }
    return answered;
}

QStringList seenByDevice(LoopbackDevice& device)
{
    QStringList seen;
    for (const std::string& oid : device.agent().askedOids())
        seen << QString::fromStdString(oid);
    return seen;
}

} // namespace

QString Rec(QAnyStringView oid, QAnyStringView tagAndValue)
{
    return oid.toString() + u'|' + tagAndValue.toString() + u'\n';
}

QList<Refused> RefusedAll(const QStringList& oids)
{
    QList<Refused> refused;
    for (const QString& oid : oids)
        refused << Refused(oid);
    return refused;
}

void RunReaderCases(ManufacturerReader reader, std::span<const ReaderCase> cases)
{
    int host = kFirstHost;
    for (const ReaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackDevice device(host++, c.device.toStdString());
        for (const Refused& refused : c.refused)
            device.refuse(refused.oid, refused.call);
        DeviceReading reading;
        reading.IP = device.address();
        if (c.identified)
            c.identified(reading);
        DeviceReading expected = reading;
        if (c.changes)
            c.changes(expected);

        reader(reading, device.address(), device);

        EXPECT_EQ(reading, expected);
        if (!c.asked.isEmpty()) {
            EXPECT_EQ(device.asked, c.asked);
        }
        // A refused GET goes elsewhere: the device itself sees exactly the others.
        EXPECT_EQ(seenByDevice(device), answeredCalls(device.asked, c.refused));
    }
}

} // namespace vorenta::test
