#include "app/globals.h"

#include <QtGlobal>

// Resources compiled into the static library are not registered by
// themselves; the first call registers each of them once.
void initModuleResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(images);
        Q_INIT_RESOURCE(cloud_pages);
        return true;
    }();
    Q_UNUSED(registered);
}
