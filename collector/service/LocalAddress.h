#pragma once

#include <QString>

namespace vorenta {

/// The machine's first non-loopback IPv4 address in dotted form, or empty when it has none.
QString FirstLocalIpv4Address();

} // namespace vorenta
