#pragma once

class QNetworkAccessManager;
class QObject;

// Every network access manager of the cloud code comes from here: the
// service managers', the blocking client's and the Evernote sign-in's.
// Service traffic never goes through a proxy.
//
// A harness that must answer requests without a network (the fuzz targets
// in tests/fuzz/) installs a factory of its own; nothing in the application
// does.
using CloudNetworkFactory = QNetworkAccessManager *(*)(QObject *parent);

QNetworkAccessManager *newCloudNetworkManager(QObject *parent);
// Null restores the ordinary manager. Any thread.
void setCloudNetworkFactory(CloudNetworkFactory factory);
