#pragma once

#include <QString>

namespace vorenta {

/// The text kept for a MAC address value. Interfaces answer ifPhysAddress with six raw octets,
/// which as text would carry NUL and control characters into the database and the log; those
/// become "00:1B:A9:12:34:56" (two upper-case hex digits per octet). A value of any other length
/// is returned as read.
QString MacAddressText(const QString& value);

} // namespace vorenta
