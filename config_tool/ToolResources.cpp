#include "ToolResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initToolResourcesOnce()
{
    Q_INIT_RESOURCE(resources);
}

namespace vorenta {

void InitToolResources()
{
    static const bool done = (initToolResourcesOnce(), true);
    (void)done;
}

} // namespace vorenta
