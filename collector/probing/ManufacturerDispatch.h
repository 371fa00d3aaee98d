#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/MakerFromOid.h"
#include "collector/probing/ModelOidTable.h"
#include "collector/probing/SnmpSource.h"
#include "collector/probing/readers/ReaderToolkit.h"

#include <QString>

#include <span>

namespace vorenta {

class LogSink;

/// Completes the reading of a device that has a serial number, after identification and before
/// the store, in three steps that may each override the one before: the reader of the device's
/// manufacturer, the monochrome rule, the model OID table. `address` is the text identification
/// was given. Errors of the readers pass through (the range walk handles them); the model OID
/// table's errors are logged and swallowed. `makerFallback` as in DispatchManufacturer.
void ReadManufacturerData(DeviceReading& reading, const QString& address, SnmpSource& source,
                          ModelOidTable& modelOids, LogSink& log, MakerFallback makerFallback);

/// The first of those steps: every row of the dispatch table whose test holds runs its reader.
/// With MakerFallback::SysObjectId, a device with a serial number whose maker text passes no test
/// is asked its sysObjectID once; when that names a maker the collector reads, Fabricante becomes
/// the maker's text (an empty Modelo becomes the former text less the maker's name) and the table
/// is tried again. Otherwise the reading stays as it was.
void DispatchManufacturer(DeviceReading& reading, const QString& address, SnmpSource& source,
                          MakerFallback makerFallback);

// The manufacturer tests, in dispatch order, each on the current Fabricante. Each holds for the
// texts its maker's devices report; no reader's canonical text passes another maker's test.

bool IsBrother(const QString& Fabricante);
bool IsLexmark(const QString& Fabricante);
bool IsSamsung(const QString& Fabricante);
bool IsOki(const QString& Fabricante);
bool IsKyocera(const QString& Fabricante);
/// The only test that forgives blanks around the text.
bool IsRicoh(const QString& Fabricante);
/// Also any text that starts with "HP", in any letter case ("HP Inc.").
bool IsHp(const QString& Fabricante);
bool IsSharp(const QString& Fabricante);
bool IsEpson(const QString& Fabricante);
bool IsCanon(const QString& Fabricante);
bool IsKonicaMinolta(const QString& Fabricante);

/// One row of the dispatch table: when `test` holds for Fabricante, `reader` runs.
struct ManufacturerDispatchRow {
    bool (*test)(const QString& Fabricante);
    ManufacturerReader reader;
};

/// The dispatch table in its order. Every row is tried, each on Fabricante as the readers before
/// left it.
std::span<const ManufacturerDispatchRow> ManufacturerDispatchTable();

/// A second supply that names a drum, a fuser, an imaging unit or black marks a monochrome
/// device: ContColor is emptied and ContPb becomes ContGeral.
void MonochromeRule(DeviceReading& reading);

/// Reads the OIDs that table Oid names for the device's Modelo and for "*", in the order of the
/// 18 names, and lets each answer override its field (ContadorGeral only with a non-empty value).
/// Skipped when the database cannot be reached; a lookup error ends the step and is logged as
/// "Não foi possível gravar dados " + the error text, keeping the fields set so far.
void ApplyModelOidTable(DeviceReading& reading, const QString& address, SnmpSource& source,
                        ModelOidTable& modelOids, LogSink& log);

} // namespace vorenta
