#pragma once

#include <string>

namespace vorenta::snmp {

/// The message version a GET goes out in.
enum class SnmpVersion { V1, V2c, V3 };

/// USM authentication: HMAC-MD5-96 and HMAC-SHA-96 (RFC 3414), HMAC-SHA-2 (RFC 7860).
enum class AuthProtocol { None, Md5, Sha1, Sha224, Sha256, Sha384, Sha512 };

/// USM privacy: CBC-DES (RFC 3414), CFB128-AES-128 (RFC 3826), and AES-192/256 with the key
/// extended as net-snmp and most agents do (draft-blumenthal-aes-usm-04).
enum class PrivProtocol { None, Des, Aes128, Aes192, Aes256 };

/// What a GET needs to be understood by one agent: a community for v1 and v2c, a USM user for v3.
/// Holds secrets: never written to a log.
struct Credentials {
    SnmpVersion version = SnmpVersion::V1;
    std::string community = "public";
    std::string user;
    AuthProtocol auth = AuthProtocol::None;
    std::string authPassword;
    PrivProtocol priv = PrivProtocol::None;
    std::string privPassword;
    std::string context;
};

} // namespace vorenta::snmp
