#include "VisitTape.h"

#include <future>
#include <stdexcept>

namespace vorenta {

namespace {

// FNV-1a over what a step asks: enough to tell a run that asks otherwise than the one before.
class Digest {
public:
    void add(const QString& text)
    {
        for (const QChar c : text)
            addByte(c.unicode());
        addByte(0xFFFF);
    }
    void add(const std::string& text)
    {
        for (const char c : text)
            addByte(static_cast<unsigned char>(c));
        addByte(0xFFFF);
    }
    void add(const void* pointer) { add(std::to_string(reinterpret_cast<std::uintptr_t>(pointer))); }
    std::uint64_t value() const { return m_value; }

private:
    void addByte(unsigned value)
    {
        m_value ^= value;
        m_value *= 1099511628211ULL;
    }
    std::uint64_t m_value = 14695981039346656037ULL;
};

std::uint64_t DigestOf(const StepRequest& request)
{
    Digest digest;
    digest.add(request.profiled ? QStringLiteral("p") : QStringLiteral("s"));
    digest.add(request.host);
    digest.add(request.community);
    for (const QString& oid : request.oids)
        digest.add(oid);
    for (const snmp::ProfileRequest& get : request.requests) {
        digest.add(static_cast<const void*>(get.credentials));
        digest.add(get.oid);
    }
    return digest.value();
}

std::size_t SizeOf(const StepRequest& request)
{
    return request.profiled ? request.requests.size() : static_cast<std::size_t>(request.oids.size());
}

bool RanOut(const SnmpAnswer& answer)
{
    return !answer.ok && answer.timedOut && !answer.refused && answer.value.isEmpty();
}

bool RanOut(const snmp::GetResult& result)
{
    return result.failure == snmp::GetFailure::Timeout;
}

// Nothing came back, or the pass is ending: not a sign of a device.
bool Quiet(const SnmpAnswer& answer)
{
    return !answer.ok && (answer.timedOut || answer.refused);
}

bool Quiet(const snmp::GetResult& result)
{
    return result.failure == snmp::GetFailure::Timeout || result.failure == snmp::GetFailure::Refused ||
           result.failure == snmp::GetFailure::Cancelled;
}

template <typename List> bool All(const List& list, bool (*test)(const typename List::value_type&))
{
    for (const auto& item : list) {
        if (!test(item))
            return false;
    }
    return true;
}

bool IsRefused(const SnmpAnswer& answer)
{
    return answer.refused;
}

bool IsRefused(const snmp::GetResult& result)
{
    return result.failure == snmp::GetFailure::Refused;
}

StepAnswers Uniform(const StepRequest& request, const SnmpAnswer& answer, const snmp::GetResult& result)
{
    StepAnswers answers;
    const std::size_t size = SizeOf(request);
    if (request.profiled)
        answers.results.assign(size, result);
    else
        answers.answers.fill(answer, static_cast<qsizetype>(size));
    return answers;
}

} // namespace

StepAnswers AskNow(const StepRequest& request, SnmpSource& network, SnmpProfiles* profiles)
{
    const bool later = request.profiled || network.asksLater();
    if (!later) {
        StepAnswers answers;
        answers.answers = network.SnmpGetMany(request.oids, request.community, request.host);
        return answers;
    }
    std::promise<StepAnswers> answered;
    std::future<StepAnswers> answers = answered.get_future();
    AskLater(
        request, network, profiles, [](const std::function<void()>& job) { job(); },
        [&answered](StepAnswers given) { answered.set_value(std::move(given)); });
    return answers.get();
}

void AskLater(StepRequest request, SnmpSource& network, SnmpProfiles* profiles,
              const std::function<void(std::function<void()>)>& onThread, std::function<void(StepAnswers)> done)
{
    if (request.profiled) {
        profiles->getLater(std::move(request.requests), request.host,
                           [done = std::move(done)](std::vector<snmp::GetResult> results) {
                               StepAnswers answers;
                               answers.results = std::move(results);
                               done(std::move(answers));
                           });
        return;
    }
    if (network.asksLater()) {
        network.SnmpGetManyLater(request.oids, request.community, request.host,
                                 [done = std::move(done)](QList<SnmpAnswer> given) {
                                     StepAnswers answers;
                                     answers.answers = std::move(given);
                                     done(std::move(answers));
                                 });
        return;
    }
    onThread([&network, request = std::move(request), done = std::move(done)] {
        StepAnswers answers;
        try {
            answers.answers = network.SnmpGetMany(request.oids, request.community, request.host);
        } catch (...) {
            answers.error = std::current_exception();
        }
        done(std::move(answers));
    });
}

StepAnswers VisitTape::replay(std::size_t index, const StepRequest& request) const
{
    const Step& step = m_steps.at(index);
    if (step.digest != DigestOf(request)) {
        if (index == 0 && m_foreseen)
            throw VisitForeseenWrongly{};
        throw std::logic_error("a visit asked otherwise than its run before");
    }
    if (step.answers.error)
        std::rethrow_exception(step.answers.error);
    if (step.silent < 0)
        return step.answers;
    return Uniform(request, SnmpAnswer{false, {}, true}, snmp::GetResult{false, {}, snmp::GetFailure::Timeout});
}

void VisitTape::suspendAt(StepRequest request, bool foreseen)
{
    m_foreseen = foreseen && m_steps.empty();
    m_pendingDigest = DigestOf(request);
    m_pending = std::make_unique<StepRequest>(std::move(request));
}

StepRequest VisitTape::takePending()
{
    if (!m_pending)
        throw std::logic_error("no step waits to be asked");
    StepRequest request = std::move(*m_pending);
    m_pending.reset();
    return request;
}

void VisitTape::record(const StepRequest& request, StepAnswers answers)
{
    m_pendingDigest = DigestOf(request);
    record(std::move(answers));
}

void VisitTape::record(StepAnswers answers)
{
    Step step;
    step.digest = m_pendingDigest;
    const bool profiled = !answers.results.empty();
    if (answers.error) {
        step.answers = std::move(answers);
        m_steps.push_back(std::move(step));
        return;
    }
    const bool silent = profiled ? All(answers.results, RanOut) : All(answers.answers, RanOut);
    const bool quiet = profiled ? All(answers.results, Quiet) : All(answers.answers, Quiet);
    if (m_steps.empty()) {
        m_refused = profiled ? All(answers.results, IsRefused)
                             : !answers.answers.isEmpty() && All(answers.answers, IsRefused);
    }
    m_spoke = m_spoke || !quiet;
    if (silent) {
        step.silent = static_cast<int>(profiled ? answers.results.size() : answers.answers.size());
    } else {
        step.answers = std::move(answers);
    }
    m_steps.push_back(std::move(step));
}

bool VisitTape::refused() const
{
    return m_refused;
}

SnmpAnswer TapeSource::SnmpGet(const QString& oid, const QString& community, const QString& host)
{
    return SnmpGetMany({oid}, community, host).front();
}

QList<SnmpAnswer> TapeSource::SnmpGetMany(const QStringList& oids, const QString& community, const QString& host)
{
    StepRequest request;
    request.oids = oids;
    request.community = community;
    request.host = host;
    return step(std::move(request)).answers;
}

std::vector<snmp::GetResult> TapeSource::get(const std::vector<snmp::ProfileRequest>& requests,
                                             const QString& host)
{
    StepRequest request;
    request.profiled = true;
    request.host = host;
    request.requests = requests;
    return step(std::move(request)).results;
}

StepAnswers TapeSource::step(StepRequest request)
{
    const std::size_t index = m_next++;
    if (index < m_tape.size())
        return m_tape.replay(index, request);
    if (m_tape.refused()) {
        StepAnswers refused = Uniform(request, SnmpAnswer{false, {}, false, true},
                                      snmp::GetResult{false, {}, snmp::GetFailure::Refused});
        m_tape.record(request, refused);
        return refused;
    }
    if (!m_waits) {
        m_tape.suspendAt(std::move(request));
        throw VisitSuspended{};
    }
    StepAnswers answers = AskNow(request, m_network, m_profiles);
    m_tape.record(request, answers);
    return answers;
}

} // namespace vorenta
