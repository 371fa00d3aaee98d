#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/readers/ReaderToolkit.h"

#include <QAnyStringView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <span>

namespace vorenta::test {

/// One line of a recorded device (`.snmprec`): Rec(H1, "65|1200") is "<H1>|65|1200\n". Tags: 2
/// integer, 4 octet string, 4x octets in hex, 65 counter32, 66 gauge32, 70 counter64.
QString Rec(QAnyStringView oid, QAnyStringView tagAndValue);

/// A GET the recorded device does not answer: every GET of `oid`, or only its `call`-th
/// (counted from 1), e.g. {H2, 1} for "the first GET of H2 fails, the second is answered".
struct Refused {
    Refused(const QString& oid, int call = 0) : oid(oid), call(call) {}
    Refused(QLatin1StringView oid, int call = 0) : oid(oid), call(call) {}
    QString oid;
    int call;
};

/// Every GET of each of `oids` fails: for a device that answers none of a reader's objects.
QList<Refused> RefusedAll(const QStringList& oids);

/// One row of a reader's table: a device as identification left its reading, what it answers,
/// and what the reader must make of it. Written with designated initializers, so a row names
/// only what it needs:
///
///     {.name = "P4015 gets its total from H5",
///      .identified = [](DeviceReading& r) { r.Fabricante = "HP"; r.Modelo = "HP LaserJet P4015"; },
///      .device = Rec(H2, "65|48211") + Rec(H5, "65|48999"),
///      .refused = {H1},
///      .changes = [](DeviceReading& r) { r.ContPb = "48211"; r.ContGeral = "48999"; },
///      .asked = {H1, H2, H3, H4, H5, H1, H2}},
struct ReaderCase {
    const char* name = "";
    /// The reading as identification left it (IP is set by the runner).
    std::function<void(DeviceReading&)> identified = {};
    /// The recorded device, `.snmprec` text; objects it lacks are answered noSuchName (empty).
    QString device = {};
    QList<Refused> refused = {};
    /// Every field the reader changes, applied to a copy of the identified reading; all other
    /// fields, scratch slots included, must stay as they were.
    std::function<void(DeviceReading&)> changes = {};
    /// The OIDs asked, in order; not checked when empty.
    QStringList asked = {};
};

/// Runs `reader` on every case, each against its own LoopbackDevice (hosts 10, 11, ... of this
/// process's loopback prefix) over real UDP, and checks the whole reading, the OIDs asked and
/// that no refused GET reached the device. Failures name the case.
void RunReaderCases(ManufacturerReader reader, std::span<const ReaderCase> cases);

} // namespace vorenta::test
