#include "ProfiledSnmpSource.h"

#include "common/ActivityLog.h"
#include "common/TextRules.h"
#include "common/Windows1252.h"

namespace vorenta {

SnmpAnswer AnswerOf(const snmp::GetResult& result)
{
    SnmpAnswer answer;
    answer.ok = result.ok;
    answer.timedOut = result.failure == snmp::GetFailure::Timeout;
    answer.refused = result.failure == snmp::GetFailure::Refused;
    if (result.ok)
        answer.value = DecodeWindows1252(result.value);
    return answer;
}

ProfiledSnmpSource::ProfiledSnmpSource(SnmpProfiles& profiles, const QString& address, LogSink& log,
                                       ProfileGets* gets)
    : m_profiles(profiles), m_gets(gets ? *gets : profiles), m_address(address), m_log(log),
      m_candidates(profiles.forAddress(address))
{
}

SnmpAnswer ProfiledSnmpSource::SnmpGet(const QString& oid, const QString&, const QString& host)
{
    return ask({oid}, host).front();
}

QList<SnmpAnswer> ProfiledSnmpSource::SnmpGetMany(const QStringList& oids, const QString&,
                                                  const QString& host)
{
    return ask(oids, host);
}

QList<SnmpAnswer> ProfiledSnmpSource::ask(const QStringList& oids, const QString& host)
{
    const QList<const SnmpProfile*> asking = m_chosen ? QList<const SnmpProfile*>{m_chosen} : m_candidates;
    std::vector<snmp::ProfileRequest> requests;
    for (const SnmpProfile* profile : asking) {
        for (const QString& oid : oids)
            requests.push_back({&profile->credentials, oid.toStdString()});
    }
    const std::vector<snmp::GetResult> results =
        requests.empty() ? std::vector<snmp::GetResult>() : m_gets.get(requests, host);
    const auto resultOf = [&](qsizetype profile, qsizetype oid) -> const snmp::GetResult& {
        return results[static_cast<std::size_t>(profile * oids.size() + oid)];
    };

    if (!m_chosen) {
        for (qsizetype p = 0; p < asking.size() && !m_chosen; ++p) {
            for (qsizetype o = 0; o < oids.size(); ++o) {
                if (snmp::Answered(resultOf(p, o))) {
                    m_chosen = asking[p];
                    break;
                }
            }
        }
        // The refused v3 profiles are done with for this visit, with one line each.
        for (qsizetype p = 0; p < asking.size(); ++p) {
            bool refused = false;
            for (qsizetype o = 0; o < oids.size(); ++o)
                refused = refused || resultOf(p, o).failure == snmp::GetFailure::AuthenticationFailed;
            if (refused && asking[p] != m_chosen) {
                m_candidates.removeOne(asking[p]);
                m_log.WriteLog(
                    QStringLiteral("Falha de autenticação SNMPv3 em %1 (usuário %2): senha ou usuário "
                                   "incorreto")
                        .arg(m_address, EscapedText(QString::fromStdString(asking[p]->credentials.user))));
            }
        }
        if (m_chosen && m_profiles.noteAnswered(m_address, *m_chosen) && !m_chosen->implicitPublic)
            m_log.WriteLog(QStringLiteral("SNMP perfil %1 (v%2) em %3")
                               .arg(EscapedText(m_chosen->name), m_chosen->versionText(), m_address));
    }

    QList<SnmpAnswer> answers;
    answers.reserve(oids.size());
    const qsizetype chosenAt = m_chosen ? asking.indexOf(m_chosen) : -1;
    for (qsizetype o = 0; o < oids.size(); ++o) {
        if (chosenAt >= 0) {
            answers.append(AnswerOf(resultOf(chosenAt, o)));
            continue;
        }
        // Nobody answered: a time-out only when every profile ran out the wait.
        SnmpAnswer answer;
        answer.timedOut = !asking.isEmpty();
        answer.refused = !asking.isEmpty();
        for (qsizetype p = 0; p < asking.size(); ++p) {
            answer.timedOut = answer.timedOut && resultOf(p, o).failure == snmp::GetFailure::Timeout;
            answer.refused = answer.refused && resultOf(p, o).failure == snmp::GetFailure::Refused;
        }
        answers.append(answer);
    }
    return answers;
}

} // namespace vorenta
