#include "cloud/cloudnetwork.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>

#include <atomic>

namespace {
// Evernote requests build their managers on worker threads.
std::atomic<CloudNetworkFactory> installedFactory{nullptr};
} // namespace

QNetworkAccessManager *newCloudNetworkManager(QObject *parent)
{
    const CloudNetworkFactory factory = installedFactory.load();
    QNetworkAccessManager *manager = factory ? factory(parent) : new QNetworkAccessManager(parent);
    manager->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    return manager;
}

void setCloudNetworkFactory(CloudNetworkFactory factory)
{
    installedFactory.store(factory);
}
