#include "SnmpProfiles.h"

namespace vorenta {

std::optional<quint32> Ipv4Number(const QString& address)
{
    const QStringList parts = address.trimmed().split(u'.');
    if (parts.size() != 4)
        return std::nullopt;
    quint32 number = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok);
        if (!ok || value > 255 || part.isEmpty() || part.size() > 3 || !part.front().isDigit())
            return std::nullopt;
        number = number << 8 | value;
    }
    return number;
}

bool SnmpProfile::covers(const QString& address) const
{
    if (ranges.isEmpty())
        return true;
    const std::optional<quint32> number = Ipv4Number(address);
    if (!number)
        return false;
    for (const AddressSpan& span : ranges) {
        if (*number >= span.first && *number <= span.last)
            return true;
    }
    return false;
}

QString SnmpProfile::versionText() const
{
    switch (credentials.version) {
    case snmp::SnmpVersion::V1:
        return QStringLiteral("1");
    case snmp::SnmpVersion::V2c:
        return QStringLiteral("2c");
    case snmp::SnmpVersion::V3:
        break;
    }
    return QStringLiteral("3");
}

SnmpProfile PublicProfile()
{
    SnmpProfile profile;
    profile.name = QStringLiteral("public");
    profile.implicitPublic = true;
    return profile;
}

SnmpProfiles::SnmpProfiles(QList<SnmpProfile> profiles, std::uint16_t port, int waitMs, int cancelDescriptor)
    : m_profiles(std::move(profiles)), m_port(port), m_waitMs(waitMs), m_cancelDescriptor(cancelDescriptor),
      m_engine(cancelDescriptor)
{
}

const SnmpProfile* SnmpProfiles::find(const QString& name) const
{
    for (const SnmpProfile& profile : m_profiles) {
        if (profile.name.compare(name, Qt::CaseInsensitive) == 0)
            return &profile;
    }
    return nullptr;
}

QList<const SnmpProfile*> SnmpProfiles::forAddress(const QString& address) const
{
    QString last;
    {
        std::lock_guard lock(m_mutex);
        last = m_answeredWith.value(address);
    }
    QList<const SnmpProfile*> found;
    for (const SnmpProfile& profile : m_profiles) {
        if (!profile.covers(address))
            continue;
        if (profile.name == last)
            found.prepend(&profile);
        else
            found.append(&profile);
    }
    return found;
}

bool SnmpProfiles::noteAnswered(const QString& address, const SnmpProfile& profile)
{
    std::lock_guard lock(m_mutex);
    QString& last = m_answeredWith[address];
    if (last == profile.name)
        return false;
    last = profile.name;
    return true;
}

std::vector<snmp::GetResult> SnmpProfiles::get(const std::vector<snmp::ProfileRequest>& requests,
                                               const QString& host)
{
    return snmp::SnmpGetWith(requests, host.toStdString(), m_port, m_waitMs, m_cancelDescriptor, m_engines,
                             true);
}

std::size_t SnmpProfiles::backlog()
{
    return m_engine.get().backlog();
}

void SnmpProfiles::getLater(std::vector<snmp::ProfileRequest> requests, const QString& host,
                            std::function<void(std::vector<snmp::GetResult>)> done)
{
    snmp::SnmpGetWith(m_engine.get(), std::move(requests), host.toStdString(), m_port,
                      m_waitMs, m_engines, true, std::move(done));
}

} // namespace vorenta
