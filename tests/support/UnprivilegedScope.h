#pragma once

#include <QString>

#include <sys/types.h>

namespace vorenta::test {

/// File permission tests mean nothing to root, who may read and write anything. Inside this
/// scope the process's effective user is "nobody" (when it runs as root; otherwise it stays as it
/// is), so that a mode of 0444 or 0222 really refuses writing or reading.
class UnprivilegedScope {
public:
    UnprivilegedScope();
    ~UnprivilegedScope();
    UnprivilegedScope(const UnprivilegedScope&) = delete;
    UnprivilegedScope& operator=(const UnprivilegedScope&) = delete;

    /// Hands `path` to the unprivileged user (call before entering the scope).
    static void giveAway(const QString& path);

private:
    uid_t m_savedUser;
    gid_t m_savedGroup;
    bool m_switched = false;
};

} // namespace vorenta::test
