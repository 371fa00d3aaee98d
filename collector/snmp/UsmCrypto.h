#pragma once

#include "collector/snmp/SnmpCredentials.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorenta::snmp {

/// The USM's cryptography, every primitive from OpenSSL's libcrypto (EVP); only the way RFC 3414,
/// 3826 and 7860 combine them is written here.

/// Octets of the hash behind `auth` (MD5 16, SHA-1 20, SHA-224 28, ...); 0 for None.
std::size_t DigestLength(AuthProtocol auth);

/// Octets of msgAuthenticationParameters: 12 for MD5 and SHA-1, then 16, 24, 32, 48 (RFC 7860).
std::size_t MacLength(AuthProtocol auth);

/// Octets of the key `priv` takes from the localized privacy key: DES 16 (key and pre-IV), AES 16,
/// 24 or 32.
std::size_t PrivacyKeyLength(PrivProtocol priv);

/// The password-to-key algorithm (RFC 3414 A.2): the password repeated over 1 MiB, hashed. The
/// expensive step, done once per password and kept.
std::string PasswordToKey(AuthProtocol auth, std::string_view password);

/// The key localized to one engine: H(Ku || engineID || Ku).
std::string LocalizeKey(AuthProtocol auth, std::string_view masterKey, std::string_view engineId);

/// A localized privacy key brought to PrivacyKeyLength: cut, or, when the hash is shorter than
/// the cipher's key (MD5 or SHA-1 with AES-192/256), extended by appending H(key so far).
std::string PrivacyKey(AuthProtocol auth, PrivProtocol priv, std::string_view localizedKey);

/// HMAC of `message` with the localized authentication key, cut to MacLength.
std::string AuthenticationCode(AuthProtocol auth, std::string_view key, std::string_view message);

/// Encrypts a scoped PDU (DES pads it to whole blocks first). `salt` is the 8 octets sent as
/// msgPrivacyParameters; `boots` and `time` are the message's, part of the AES IV. Nullopt when
/// the cipher is not available (DES needs OpenSSL's legacy provider).
std::optional<std::string> EncryptScopedPdu(PrivProtocol priv, std::string_view key, std::uint32_t boots,
                                            std::uint32_t time, std::string_view salt,
                                            std::string_view plain);

/// The reverse; nullopt for a salt of the wrong size, a DES text not in whole blocks, or no cipher.
std::optional<std::string> DecryptScopedPdu(PrivProtocol priv, std::string_view key, std::uint32_t boots,
                                            std::uint32_t time, std::string_view salt,
                                            std::string_view cipher);

/// Octets from the system's random source (msgIDs, salts); zeros only if that fails.
void RandomOctets(void* target, std::size_t size);

} // namespace vorenta::snmp
