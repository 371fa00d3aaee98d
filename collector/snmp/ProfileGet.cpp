#include "collector/snmp/ProfileGet.h"

#include "collector/snmp/BerEncoder.h"
#include "collector/snmp/Pdu.h"
#include "collector/snmp/ReplyDecoder.h"
#include "collector/snmp/SnmpEngine.h"
#include "collector/snmp/UdpExchange.h"
#include "collector/snmp/UsmCrypto.h"
#include "collector/snmp/V3Message.h"

#include <atomic>
#include <memory>
#include <optional>

namespace vorenta::snmp {

namespace {

constexpr std::int64_t kVersion2c = 1;

// msgID and request-id: positive, different for every v3 message of the run, from a random start
// so that two runs do not repeat each other's.
std::int32_t NextMessageId()
{
    static std::atomic<std::uint32_t> next = [] {
        std::uint32_t start = 0;
        RandomOctets(&start, sizeof(start));
        return start;
    }();
    return static_cast<std::int32_t>((next.fetch_add(1) & 0x7FFFFFFE) + 1);
}

// The privacy salt: for DES the engine's boots and a counter (RFC 3414 8.1.1.1), for AES a 64-bit
// counter (RFC 3826 3.1.2.1); both never repeat within a run.
std::string NextSalt(PrivProtocol priv, std::uint32_t boots)
{
    static std::atomic<std::uint64_t> next = [] {
        std::uint64_t start = 0;
        RandomOctets(&start, sizeof(start));
        return start;
    }();
    std::uint64_t value = next.fetch_add(1);
    if (priv == PrivProtocol::Des)
        value = (static_cast<std::uint64_t>(boots) << 32) | (value & 0xFFFFFFFF);
    std::string salt;
    for (int shift = 56; shift >= 0; shift -= 8)
        salt.push_back(static_cast<char>((value >> shift) & 0xFF));
    return salt;
}

GetResult Answer(std::optional<std::string> value, std::int64_t errorStatus)
{
    if (!value)
        return {false, {}, GetFailure::NoSuchObject};
    return {true, std::move(*value), GetFailure::None, static_cast<std::int32_t>(errorStatus)};
}

/// One v3 GET on its way: discovery first when the engine is not known, then the GET itself.
class V3Get {
public:
    V3Get(const Credentials& credentials, std::string oid, std::string endpoint, UsmEngines& engines)
        : m_credentials(credentials), m_oid(std::move(oid)), m_endpoint(std::move(endpoint)),
          m_engines(engines)
    {
    }

    /// The first datagram: the GET when the engine is known, else the discovery.
    std::string first()
    {
        if (const std::optional<EngineClock> engine = m_engines.engineAt(m_endpoint))
            return get(*engine);
        m_msgId = NextMessageId();
        return EncodeDiscoveryRequest(m_msgId, m_msgId);
    }

    NextStep received(const std::string& datagram)
    {
        const bool discovering = !m_sentGet;
        const std::optional<V3Reply> reply =
            DecodeV3Message(datagram, &m_credentials, m_sentGet ? &m_keys : nullptr);
        if (!reply)
            return finish({false, {}, GetFailure::Undecodable});
        if (reply->msgId != m_msgId)
            return {NextStep::Kind::Ignore, {}}; // a late answer to an earlier message
        if (discovering) {
            if (!reply->pdu || reply->pdu->type != kTagReport || reply->engine.engineId.empty())
                return finish({false, {}, GetFailure::Undecodable});
            m_engines.learn(m_endpoint, reply->engine);
            return send(get(reply->engine));
        }
        if (reply->badDigest || reply->undecryptable)
            return finish({false, {}, GetFailure::AuthenticationFailed});
        if (!reply->pdu)
            return finish({false, {}, GetFailure::Undecodable});
        const Pdu& pdu = *reply->pdu;
        if (pdu.type == kTagReport)
            return report(*reply);
        if (pdu.type != kTagResponse || (m_credentials.auth != AuthProtocol::None && !reply->authenticated))
            return finish({false, {}, GetFailure::Undecodable});
        m_engines.heard(m_endpoint, reply->engine);
        const Binding* binding = pdu.find(m_oid);
        return finish(Answer(binding ? SecondVersionValue(*binding) : std::string(), pdu.errorStatus));
    }

    const GetResult& result() const { return m_result; }

private:
    std::string get(const EngineClock& engine)
    {
        m_keys = m_engines.keys(m_credentials, engine.engineId);
        m_msgId = NextMessageId();
        m_sentGet = true;
        const std::optional<std::string> message =
            EncodeV3Get(m_credentials, m_keys, engine, m_msgId, m_msgId, m_oid,
                        NextSalt(m_credentials.priv, engine.boots));
        return message.value_or(std::string());
    }

    NextStep report(const V3Reply& reply)
    {
        const std::string counter =
            reply.pdu->bindings.empty() ? std::string() : reply.pdu->bindings.front().oid;
        if (counter == UsmReport::UnknownUserNames || counter == UsmReport::WrongDigests ||
            counter == UsmReport::DecryptionErrors || counter == UsmReport::UnsupportedSecLevels)
            return finish({false, {}, GetFailure::AuthenticationFailed});
        // Out of the time window, or the engine changed (a printer replaced at the same address):
        // take the engine's word once and ask again.
        const bool resynchronise =
            counter == UsmReport::NotInTimeWindows || counter == UsmReport::UnknownEngineIds;
        if (resynchronise && !m_resynchronised && !reply.engine.engineId.empty()) {
            m_resynchronised = true;
            m_engines.learn(m_endpoint, reply.engine);
            return send(get(reply.engine));
        }
        return finish({false, {}, GetFailure::Report});
    }

    // An empty request is a cipher OpenSSL could not give (DES without its legacy provider).
    NextStep send(std::string request)
    {
        if (request.empty())
            return finish({false, {}, GetFailure::SendFailed});
        return {NextStep::Kind::Send, std::move(request)};
    }

    NextStep finish(GetResult result)
    {
        m_result = std::move(result);
        return {NextStep::Kind::Finish, {}};
    }

    const Credentials& m_credentials;
    const std::string m_oid;
    const std::string m_endpoint;
    UsmEngines& m_engines;
    LocalizedKeys m_keys;
    std::int32_t m_msgId = 0;
    bool m_sentGet = false;
    bool m_resynchronised = false;
    GetResult m_result;
};

GetResult CommunityResult(const ExchangeResult& exchange, const Credentials& credentials, std::string_view oid)
{
    const std::optional<Reply> reply = DecodeReply(exchange.datagram);
    if (!reply)
        return {false, {}, GetFailure::Undecodable};
    const Binding* binding = reply->find(oid);
    if (credentials.version == SnmpVersion::V1)
        return {true, binding ? binding->value : std::string(), GetFailure::None, reply->errorStatus};
    return Answer(binding ? SecondVersionValue(*binding) : std::string(), reply->errorStatus);
}

/// One SnmpGetWith call, whatever carries its datagrams: the requests encoded, each reply taken
/// through its conversation (v3 discovery and re-synchronisation included), the groups-in-order
/// rule of `earliestAnswerEnds`, and the results assembled from what the exchanges brought back.
/// Only the datagrams that could be encoded go out; `sending` holds them, in the order given.
class ProfileExchange {
public:
    ProfileExchange(std::vector<ProfileRequest> requests, std::string_view host, std::uint16_t port,
                    UsmEngines& engines, bool earliestAnswerEnds)
        : m_credentials(requests.size()), m_oidEnds(requests.size()), m_v3(requests.size()),
          m_answeredSoFar(requests.size(), false), m_earliestAnswerEnds(earliestAnswerEnds)
    {
        // The OIDs as one text: a group of a silent address's twelve GETs stays open for the whole
        // wait, and twelve strings of their own would cost more than everything else it holds.
        for (std::size_t i = 0; i < requests.size(); ++i) {
            m_credentials[i] = requests[i].credentials;
            m_oids += requests[i].oid;
            m_oidEnds[i] = static_cast<std::uint32_t>(m_oids.size());
        }
        const std::string endpoint = std::string(host) + ':' + std::to_string(port);
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const Credentials& credentials = *m_credentials[i];
            std::string datagram;
            switch (credentials.version) {
            case SnmpVersion::V1:
                datagram = EncodeGetRequest(requests[i].oid, credentials.community);
                break;
            case SnmpVersion::V2c:
                datagram = EncodeGetRequest(requests[i].oid, credentials.community, kVersion2c, 1);
                break;
            case SnmpVersion::V3:
                m_v3[i] = std::make_unique<V3Get>(credentials, requests[i].oid, endpoint, engines);
                datagram = m_v3[i]->first();
                break;
            }
            // What cannot be encoded is not sent at all.
            if (!datagram.empty()) {
                m_sent.push_back(i);
                m_sending.push_back(std::move(datagram));
            }
        }
    }
    ProfileExchange(const ProfileExchange&) = delete;
    ProfileExchange& operator=(const ProfileExchange&) = delete;

    std::vector<std::string>& sending() { return m_sending; }

    NextStep received(std::size_t index, const std::string& datagram)
    {
        const std::size_t request = m_sent[index];
        const std::unique_ptr<V3Get>& get = m_v3[request];
        if (!get) {
            m_answeredSoFar[request] =
                Answered(CommunityResult({GetFailure::None, datagram}, *m_credentials[request], oid(request)));
            return NextStep{};
        }
        NextStep step = get->received(datagram);
        if (step.kind == NextStep::Kind::Finish)
            m_answeredSoFar[request] = Answered(get->result());
        return step;
    }

    bool earliestAnswerEnds() const { return m_earliestAnswerEnds; }

    // Groups in order: the first that answered, with everything before it ended, decides.
    bool enough(const std::vector<bool>& finished) const
    {
        std::vector<bool> ended(m_credentials.size(), true); // what was never sent has ended
        for (std::size_t k = 0; k < m_sent.size(); ++k)
            ended[m_sent[k]] = finished[k];
        for (std::size_t start = 0; start < m_credentials.size();) {
            std::size_t end = start;
            bool allEnded = true;
            bool anyAnswered = false;
            while (end < m_credentials.size() && m_credentials[end] == m_credentials[start]) {
                allEnded = allEnded && ended[end];
                anyAnswered = anyAnswered || m_answeredSoFar[end];
                ++end;
            }
            if (!allEnded)
                return false;
            if (anyAnswered)
                return true;
            start = end;
        }
        return false;
    }

    /// The results, one per request, from what the exchanges of `sending` brought back.
    std::vector<GetResult> results(const std::vector<ExchangeResult>& answered) const
    {
        std::vector<ExchangeResult> exchanges(m_credentials.size(), {GetFailure::SendFailed, {}});
        for (std::size_t k = 0; k < m_sent.size(); ++k)
            exchanges[m_sent[k]] = answered[k];
        std::vector<GetResult> results;
        results.reserve(m_credentials.size());
        for (std::size_t i = 0; i < m_credentials.size(); ++i) {
            if (exchanges[i].failure != GetFailure::None)
                results.push_back({false, {}, exchanges[i].failure});
            else if (m_v3[i])
                results.push_back(m_v3[i]->result());
            else
                results.push_back(CommunityResult(exchanges[i], *m_credentials[i], oid(i)));
        }
        return results;
    }

private:
    std::string_view oid(std::size_t request) const
    {
        const std::uint32_t start = request == 0 ? 0 : m_oidEnds[request - 1];
        return std::string_view(m_oids).substr(start, m_oidEnds[request] - start);
    }

    std::vector<const Credentials*> m_credentials;
    std::string m_oids;                   ///< every request's OID, one after another
    std::vector<std::uint32_t> m_oidEnds; ///< where each request's OID ends in m_oids
    // Only v3 GETs have one: a silent address's many community GETs cost a pointer each.
    std::vector<std::unique_ptr<V3Get>> m_v3;
    std::vector<std::size_t> m_sent;        // the request each datagram of m_sending is for
    std::vector<std::string> m_sending;
    std::vector<bool> m_answeredSoFar;
    const bool m_earliestAnswerEnds;
};

} // namespace

std::vector<GetResult> SnmpGetWith(std::span<const ProfileRequest> requests, std::string_view host,
                                   std::uint16_t port, int waitMs, int cancelDescriptor, UsmEngines& engines,
                                   bool earliestAnswerEnds)
{
    ProfileExchange exchange({requests.begin(), requests.end()}, host, port, engines, earliestAnswerEnds);
    const Conversation conversation = [&](std::size_t index, const std::string& datagram) {
        return exchange.received(index, datagram);
    };
    Enough enough;
    if (earliestAnswerEnds)
        enough = [&](const std::vector<bool>& finished) { return exchange.enough(finished); };
    return exchange.results(ExchangeConversations(exchange.sending(), host, port, waitMs, cancelDescriptor,
                                                  conversation, enough));
}

void SnmpGetWith(SnmpEngine& engine, std::vector<ProfileRequest> requests, std::string host,
                 std::uint16_t port, int waitMs, UsmEngines& engines, bool earliestAnswerEnds,
                 std::function<void(std::vector<GetResult>)> done)
{
    auto exchange =
        std::make_shared<ProfileExchange>(std::move(requests), host, port, engines, earliestAnswerEnds);
    ExchangeGroup group;
    group.host = std::move(host);
    group.port = port;
    group.waitMs = waitMs;
    group.requests = std::move(exchange->sending());
    group.conversation = [exchange](std::size_t index, const std::string& datagram) {
        return exchange->received(index, datagram);
    };
    if (earliestAnswerEnds)
        group.enough = [exchange](const std::vector<bool>& finished) { return exchange->enough(finished); };
    group.done = [exchange, done = std::move(done)](std::vector<ExchangeResult> answered) {
        if (done)
            done(exchange->results(answered));
    };
    engine.submit(std::move(group));
}

} // namespace vorenta::snmp
