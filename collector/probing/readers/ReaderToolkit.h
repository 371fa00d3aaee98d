#pragma once

// What every manufacturer reader is written with. A reader is one function over the reading and
// the device, whose body follows its table line by line:
//
//     ReaderDevice device(source, address);
//     r.Fabricante = QStringLiteral("HP");                         // set to "HP"
//     device.GET(H1, r.ContColor);                                 // GET H1 -> ContColor
//     if (EqualsIgnoringCase(r.Modelo, {"HP LASERJET P4015"}))     // model "HP LASERJET P4015"
//         device.GET(H5, r.ContGeral);
//     if (IsEmpty(r.ContPb))                                       // ContPb empty
//         device.GET(H7, r.ContPb);
//     r.ContPb = device.GETSum(C18, r.WorkF, C9, r.WorkG);         // GET C18 -> WorkF; GET C9 -> WorkG;
//                                                                  // ContPb := AddCounters(WorkF, WorkG)
//     r.ContA4 = CounterDifference(r.ContGeral, r.ContA3);         // never a negative count
//
// Readers touch neither the database nor the log, and catch nothing unless their table says so
// (GuardedSteps): an error leaves the reader and reaches the range walk.

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"
#include "collector/probing/TextOperations.h"
#include "common/TextRules.h"

#include <QLatin1StringView>
#include <QString>

#include <concepts>
#include <initializer_list>
#include <utility>

namespace vorenta {

/// The form every reader has: it completes `reading` from the device at `address` (dotted IPv4
/// text, as identification received it).
using ManufacturerReader = void (*)(DeviceReading& reading, const QString& address, SnmpSource& source);

/// The device a reader asks: every GET goes to one address with the community "public", one
/// after another, never retried.
class ReaderDevice {
public:
    ReaderDevice(SnmpSource& source, const QString& address) : m_source(source), m_address(address) {}

    /// GET o -> F. When the device answers, F becomes the value, trimmed (an empty value empties
    /// F); when it does not, F is left exactly as it was. True when the device answered, for the
    /// steps that do something more "only when this GET succeeded".
    bool GET(const QString& oid, QString& field);

    /// GET o -> MacAddress. Like GET, except that six raw octets (what interfaces answer) become
    /// "00:1B:A9:12:34:56" before trimming could eat an octet below 0x21; any other value is
    /// trimmed as GET does.
    bool GETMacAddress(const QString& oid, QString& field);

    /// GET o -> F, except that an answer that is empty after trimming leaves F as it was too: for
    /// a field a reader must never wipe, such as the serial number the store keys the device by.
    /// True when F took the answer.
    bool GETUnlessEmpty(const QString& oid, QString& field);

    /// GET a -> slotA; GET b -> slotB; returns AddCounters(slotA, slotB). The table's "GET C18 ->
    /// WorkF; GET C9 -> WorkG; ContPb := AddCounters(WorkF, WorkG)" is
    /// `r.ContPb = device.GETSum(C18, r.WorkF, C9, r.WorkG)`. A slot whose GET fails keeps what it
    /// held, which is what is added (empty counts as 0).
    QString GETSum(const QString& a, QString& slotA, const QString& b, QString& slotB);

    /// For each OID in turn: GET o -> slot; total := AddCounters(total, slot). All through the one
    /// slot, so a GET that fails adds the slot's earlier value again, as the makers' tables have
    /// it: "GET C63 -> WorkD; ContColor := AddCounters(ContColor, WorkD)" is
    /// `device.GETAndAdd({C63}, r.WorkD, r.ContColor)`.
    void GETAndAdd(std::initializer_list<QLatin1StringView> oids, QString& slot, QString& total);

    /// Only when the device answers o: F := AddCounters(v, F) for each field given, v the answer.
    /// The table's "only when the GET of C3 succeeds: ContA3 := AddCounters(v, ContA3); ContPb :=
    /// AddCounters(v, ContPb)" is `device.GETAddedTo(C3, r.ContA3, r.ContPb)`. No scratch slot is
    /// involved, so a GET that fails adds nothing and leaves every field as it was; an empty answer
    /// counts as 0 (an empty field becomes "0"). True when the device answered.
    template <std::same_as<QString>... More>
    bool GETAddedTo(const QString& oid, QString& total, More&... more)
    {
        const SnmpAnswer v = ask(oid);
        if (v.ok) {
            total = AddCounters(v.value, total);
            ((more = AddCounters(v.value, more)), ...);
        }
        return v.ok;
    }

    /// One GET whose value the caller examines itself (a status code to map, a value kept only
    /// when not empty): `value` is trimmed, and empty when `ok` is false.
    SnmpAnswer ask(const QString& oid);

private:
    SnmpSource& m_source;
    const QString& m_address;
};

// Model conditions. Each is given the field to test (`Modelo`, or `Fabricante` for the dispatch)
// and holds when any of the alternatives holds, tried in the order written.

/// Equals ignoring case: the field upper-cased (ASCII letters only) equals a constant, upper-cased
/// too, so a constant written "Aficio MP 2851" matches "AFICIO MP 2851".
bool EqualsIgnoringCase(const QString& field, std::initializer_list<const char*> constants);

/// Equals trimmed: the field without the characters of codes 0 to 32 at both ends equals a
/// constant exactly, case-sensitive.
bool EqualsTrimmed(const QString& field, std::initializer_list<const char*> constants);

/// Equals exactly: the field equals a constant character by character, untrimmed, case-sensitive.
bool EqualsExactly(const QString& field, std::initializer_list<const char*> constants);

/// "F is empty": length 0. A text of blanks is not empty (IsBlank from TextRules.h tests that).
inline bool IsEmpty(const QString& field)
{
    return field.isEmpty();
}

// Counters derived from other counters.

/// a - b as the readers derive a counter (mono as total less colour, A4 as total less A3): a
/// difference below zero, or of an operand too long for a double, is no count and gives empty
/// text ("not read") instead of a negative text, which the store would keep and the next
/// AddCounters would read back as positive (it drops the sign), or an error that would end the
/// walk of the whole range.
QString CounterDifference(const QString& a, const QString& b);

/// total := AddCounters(a, b), made only when both parts were read: a part left empty (the device
/// did not give it) would replace the total the device gave by the other part alone. Sums of
/// scratch slots, where empty counts as 0, go through AddCounters or GETSum instead.
void SetTotalOfParts(QString& total, const QString& a, const QString& b);

/// Runs `steps` inside the error guard a maker's table puts around them: an error of the counter
/// operations (CounterOverflow) ends the steps silently, keeping what they set, and the reader
/// goes on after them. Any other error passes, so the guard never hides what it was not meant for.
template <typename Steps> void GuardedSteps(Steps&& steps)
{
    try {
        std::forward<Steps>(steps)();
    } catch (const CounterOverflow&) {
        // Ended quietly, as the maker's table asks.
    }
}

/// The one-blank constant some readers set. It is a value, not an empty text: later empty tests
/// see the field as filled, and only the store's trimming turns it into an empty column.
inline constexpr QLatin1StringView kOneBlank{" "};

} // namespace vorenta
