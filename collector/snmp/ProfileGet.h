#pragma once

#include "collector/snmp/SnmpCredentials.h"
#include "collector/snmp/SnmpGet.h"
#include "collector/snmp/UsmEngines.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorenta::snmp {

class SnmpEngine;

/// One GET of `oid` as `credentials` say.
struct ProfileRequest {
    const Credentials* credentials = nullptr;
    std::string oid;
};

/// Several GETs with one host, each in its own version and credentials, all sent at once and
/// awaited together within one wait of `waitMs`. A v3 GET whose engine is not known yet first
/// discovers it, on the same socket and within the same wait, and re-synchronises once when the
/// agent reports it outside the time window. Results are SnmpGet's, with v2c/v3 values read as
/// SecondVersionValue says; a v1 GET goes out byte for byte as SnmpGet sends it.
///
/// With `earliestAnswerEnds`, requests with the same credentials follow each other in the order
/// the caller prefers them, and the wait ends as soon as one such group has answered (Answered)
/// and every group before it has ended: what the later groups would say changes nothing, and an
/// address that answers its preferred profile does not wait for the silence of the others. Their
/// GETs then end as Cancelled.
std::vector<GetResult> SnmpGetWith(std::span<const ProfileRequest> requests, std::string_view host,
                                   std::uint16_t port, int waitMs, int cancelDescriptor, UsmEngines& engines,
                                   bool earliestAnswerEnds = false);

/// SnmpGetWith over `engine`: returns at once; `done` gets on the engine's thread exactly what
/// SnmpGetWith would have returned. `requests`' credentials must outlive the call's end.
void SnmpGetWith(SnmpEngine& engine, std::vector<ProfileRequest> requests, std::string host,
                 std::uint16_t port, int waitMs, UsmEngines& engines, bool earliestAnswerEnds,
                 std::function<void(std::vector<GetResult>)> done);

} // namespace vorenta::snmp
