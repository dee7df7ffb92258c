#include "hubreport.h"

void reportScanningStatus(QObject *hub, int flag, int progress)
{
    if (!hub)
        return;
    QMetaObject::invokeMethod(hub, "scanningStatus", Qt::QueuedConnection, Q_ARG(int, flag), Q_ARG(int, progress));
}
