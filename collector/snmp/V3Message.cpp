#include "collector/snmp/V3Message.h"

#include "collector/snmp/BerEncoder.h"
#include "collector/snmp/BerReader.h"
#include "collector/snmp/UsmCrypto.h"

#include <openssl/crypto.h>

namespace vorenta::snmp {

namespace {

constexpr std::int64_t kVersion3 = 3;
constexpr std::int64_t kUsmSecurityModel = 3;
// What we accept back: the largest UDP payload over IPv4.
constexpr std::int64_t kMaxMessageSize = 65507;

std::string IntegerElement(std::int64_t value)
{
    return EncodeElement(kTagInteger, EncodeIntegerContents(value));
}

std::string OctetsElement(std::string_view octets)
{
    return EncodeElement(kTagOctetString, octets);
}

/// The whole message around `securityParameters` and `data`; `macAt` gets the offset of the
/// authentication parameters' contents, found by where they sit in the security parameters.
std::string Message(std::int32_t msgId, std::uint8_t flags, const std::string& securityParameters,
                    std::size_t macInParameters, const std::string& data, std::size_t* macAt)
{
    const std::string header =
        EncodeElement(kTagSequence, IntegerElement(msgId) + IntegerElement(kMaxMessageSize) +
                                        OctetsElement(std::string(1, static_cast<char>(flags))) +
                                        IntegerElement(kUsmSecurityModel));
    const std::string parameters = OctetsElement(securityParameters);
    const std::string front = IntegerElement(kVersion3) + header;
    const std::string body = front + parameters + data;
    const std::string message = EncodeElement(kTagSequence, body);
    if (macAt) {
        const std::size_t outerHeader = message.size() - body.size();
        const std::size_t parametersHeader = parameters.size() - securityParameters.size();
        *macAt = outerHeader + front.size() + parametersHeader + macInParameters;
    }
    return message;
}

/// The USM security parameters; `macInParameters` gets where the authentication parameters'
/// contents start within them.
std::string SecurityParameters(const EngineClock& engine, std::string_view user, std::string_view mac,
                               std::string_view privacy, std::size_t* macInParameters)
{
    const std::string front = OctetsElement(engine.engineId) + IntegerElement(engine.boots) +
                              IntegerElement(engine.time) + OctetsElement(user);
    const std::string macElement = OctetsElement(mac);
    const std::string body = front + macElement + OctetsElement(privacy);
    const std::string parameters = EncodeElement(kTagSequence, body);
    if (macInParameters)
        *macInParameters =
            (parameters.size() - body.size()) + front.size() + (macElement.size() - mac.size());
    return parameters;
}

std::string ScopedPdu(std::string_view contextEngineId, std::string_view contextName, const std::string& pdu)
{
    return EncodeElement(kTagSequence, OctetsElement(contextEngineId) + OctetsElement(contextName) + pdu);
}

std::uint32_t Unsigned32(std::optional<std::int64_t> value)
{
    return value && *value >= 0 && *value <= 0xFFFFFFFF ? static_cast<std::uint32_t>(*value) : 0;
}

} // namespace

std::string EncodeDiscoveryRequest(std::int32_t msgId, std::int32_t requestId)
{
    const std::string parameters = SecurityParameters({}, {}, {}, {}, nullptr);
    return Message(msgId, kFlagReportable, parameters, 0, ScopedPdu({}, {}, EncodeGetPdu(requestId, {})),
                   nullptr);
}

std::optional<std::string> EncodeV3Get(const Credentials& credentials, const LocalizedKeys& keys,
                                       const EngineClock& engine, std::int32_t msgId, std::int32_t requestId,
                                       std::string_view oid, std::string_view salt)
{
    const bool authenticated = credentials.auth != AuthProtocol::None;
    const bool encrypted = authenticated && credentials.priv != PrivProtocol::None;
    std::uint8_t flags = kFlagReportable;
    if (authenticated)
        flags |= kFlagAuth;
    if (encrypted)
        flags |= kFlagPriv;

    std::string data = ScopedPdu(engine.engineId, credentials.context, EncodeGetPdu(requestId, {oid}));
    if (encrypted) {
        const std::optional<std::string> cipher =
            EncryptScopedPdu(credentials.priv, keys.priv, engine.boots, engine.time, salt, data);
        if (!cipher)
            return std::nullopt;
        data = OctetsElement(*cipher);
    }
    // The digest covers the whole message with its own place filled with zeros (RFC 3414 6.3.1).
    const std::string zeros(MacLength(credentials.auth), '\0');
    std::size_t macInParameters = 0;
    const std::string parameters = SecurityParameters(
        engine, credentials.user, zeros, encrypted ? salt : std::string_view(), &macInParameters);
    std::size_t macAt = 0;
    std::string message = Message(msgId, flags, parameters, macInParameters, data, &macAt);
    if (authenticated) {
        const std::string mac = AuthenticationCode(credentials.auth, keys.auth, message);
        if (mac.size() != zeros.size())
            return std::nullopt;
        message.replace(macAt, mac.size(), mac);
    }
    return message;
}

std::optional<V3Reply> DecodeV3Message(std::string_view datagram, const Credentials* credentials,
                                       const LocalizedKeys* keys)
{
    BerReader whole(datagram);
    const std::optional<BerElement> outer = whole.next(kTagSequence);
    if (!outer)
        return std::nullopt;
    BerReader message(outer->contents);
    if (message.nextInteger() != kVersion3)
        return std::nullopt;
    const std::optional<BerElement> header = message.next(kTagSequence);
    const std::optional<BerElement> parameters = message.next(kTagOctetString);
    const std::optional<BerElement> data = message.next();
    if (!header || !parameters || !data)
        return std::nullopt;

    V3Reply reply;
    BerReader headerFields(header->contents);
    const std::optional<std::int64_t> msgId = headerFields.nextInteger();
    const std::optional<std::int64_t> maxSize = headerFields.nextInteger();
    const std::optional<BerElement> flags = headerFields.next(kTagOctetString);
    const std::optional<std::int64_t> model = headerFields.nextInteger();
    if (!msgId || !maxSize || !flags || flags->contents.size() != 1 || model != kUsmSecurityModel)
        return std::nullopt;
    reply.msgId = *msgId;
    reply.flags = static_cast<std::uint8_t>(flags->contents[0]);

    BerReader usmOuter(parameters->contents);
    const std::optional<BerElement> usm = usmOuter.next(kTagSequence);
    if (!usm)
        return std::nullopt;
    BerReader usmFields(usm->contents);
    const std::optional<BerElement> engineId = usmFields.next(kTagOctetString);
    const std::optional<std::int64_t> boots = usmFields.nextInteger();
    const std::optional<std::int64_t> time = usmFields.nextInteger();
    const std::optional<BerElement> user = usmFields.next(kTagOctetString);
    const std::optional<BerElement> mac = usmFields.next(kTagOctetString);
    const std::optional<BerElement> privacy = usmFields.next(kTagOctetString);
    if (!engineId || !boots || !time || !user || !mac || !privacy)
        return std::nullopt;
    reply.engine = {std::string(engineId->contents), Unsigned32(boots), Unsigned32(time)};
    reply.user = std::string(user->contents);

    const bool withKeys = credentials && keys && credentials->auth != AuthProtocol::None;
    if (reply.flags & kFlagAuth) {
        if (withKeys && mac->contents.size() == MacLength(credentials->auth)) {
            std::string zeroed(datagram);
            const std::size_t at = static_cast<std::size_t>(mac->contents.data() - datagram.data());
            zeroed.replace(at, mac->contents.size(), std::string(mac->contents.size(), '\0'));
            const std::string expected = AuthenticationCode(credentials->auth, keys->auth, zeroed);
            reply.authenticated = expected.size() == mac->contents.size() &&
                                  CRYPTO_memcmp(expected.data(), mac->contents.data(), expected.size()) == 0;
        }
        reply.badDigest = !reply.authenticated;
    }

    std::string plain;
    std::string_view scoped;
    if (reply.flags & kFlagPriv) {
        if (data->tag != kTagOctetString || !reply.authenticated || credentials->priv == PrivProtocol::None) {
            reply.undecryptable = true;
            return reply;
        }
        const std::optional<std::string> decrypted =
            DecryptScopedPdu(credentials->priv, keys->priv, reply.engine.boots, reply.engine.time,
                             privacy->contents, data->contents);
        if (!decrypted) {
            reply.undecryptable = true;
            return reply;
        }
        plain = *decrypted;
        BerReader scopedReader(plain);
        const std::optional<BerElement> element = scopedReader.next(kTagSequence);
        if (!element) { // the wrong key gives noise, which is no SEQUENCE (or not one that fits)
            reply.undecryptable = true;
            return reply;
        }
        scoped = element->contents;
    } else {
        if (data->tag != kTagSequence)
            return reply;
        scoped = data->contents;
    }
    BerReader scopedFields(scoped);
    const std::optional<BerElement> contextEngine = scopedFields.next(kTagOctetString);
    const std::optional<BerElement> contextName = scopedFields.next(kTagOctetString);
    if (!contextEngine || !contextName)
        return reply;
    reply.pdu = DecodePdu(scopedFields.rest());
    return reply;
}

} // namespace vorenta::snmp
