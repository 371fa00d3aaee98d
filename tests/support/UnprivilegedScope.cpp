#include "UnprivilegedScope.h"

#include <pwd.h>
#include <unistd.h>

#include <stdexcept>

namespace vorenta::test {

namespace {
const passwd* nobody()
{
    return getpwnam("nobody");
}
} // namespace

UnprivilegedScope::UnprivilegedScope() : m_savedUser(geteuid()), m_savedGroup(getegid())
{
    if (m_savedUser != 0)
        return;
    const passwd* user = nobody();
    if (user == nullptr)
        throw std::runtime_error("no user 'nobody' to drop privileges to");
    if (setegid(user->pw_gid) != 0 || seteuid(user->pw_uid) != 0)
        throw std::runtime_error("cannot drop privileges");
    m_switched = true;
}

UnprivilegedScope::~UnprivilegedScope()
{
    if (m_switched) {
        [[maybe_unused]] const int u = seteuid(m_savedUser);
        [[maybe_unused]] const int g = setegid(m_savedGroup);
    }
}

void UnprivilegedScope::giveAway(const QString& path)
{
    if (geteuid() != 0)
        return;
    const passwd* user = nobody();
    if (user != nullptr) [[maybe_unused]]
        const int r = chown(path.toLocal8Bit().constData(), user->pw_uid, user->pw_gid);
}

} // namespace vorenta::test
