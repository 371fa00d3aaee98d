#include "AddressWalk.h"

namespace vorenta {

QString NetworkPrefix(const QString& address)
{
    int dots = 0;
    for (qsizetype i = 0; i < address.size(); ++i) {
        if (address[i] == u'.' && ++dots == 3)
            return address.left(i + 1);
    }
    return {};
}

} // namespace vorenta
