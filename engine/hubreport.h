#pragma once

#include <QObject>

// Progress of a page for the module's hub: its scanningStatus signal, called
// by name and queued, so it reaches the hub's thread whatever thread scans.
// The hub may be null; it must outlive the page.
void reportScanningStatus(QObject *hub, int flag, int progress);
