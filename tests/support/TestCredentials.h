#pragma once

#include "collector/snmp/SnmpCredentials.h"

namespace vorenta::test {

/// The SNMPv3 user the tests and benchmarks give snmpd, and whose messages from it the codec
/// tests hold as bytes: coletor, SHA-256 with AES.
inline snmp::Credentials ColetorV3User()
{
    snmp::Credentials credentials;
    credentials.version = snmp::SnmpVersion::V3;
    credentials.user = "coletor";
    credentials.auth = snmp::AuthProtocol::Sha256;
    credentials.authPassword = "senha-de-autenticacao";
    credentials.priv = snmp::PrivProtocol::Aes128;
    credentials.privPassword = "senha-de-privacidade";
    return credentials;
}

/// A v1 or v2c community, as the tests write the credentials their GETs go out with.
inline snmp::Credentials Community(snmp::SnmpVersion version, const char* community)
{
    snmp::Credentials credentials;
    credentials.version = version;
    credentials.community = community;
    return credentials;
}

} // namespace vorenta::test
