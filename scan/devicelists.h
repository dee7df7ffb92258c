#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

struct ScanRequest;
struct tagResponseDeviceInfo;

// One scanner as the engine knows it. Text fields are zero-terminated UTF-16.
struct DeviceRecord
{
    quint8 deviceType;       // 0 USB, 1 network address; the search stores the engine's own code
    quint8 paperSourceBits;  // capability byte: bit 7 valid, bit 1 feeder, bit 2 or 3 duplex
    qint32 projectId;
    char16_t portName[256];
    char16_t alias[64];
    char16_t model[64];

    QString portNameText() const;
    QString aliasText() const;
    QString modelText() const;
};

enum DeviceListKind { UsbDevices = 0, NetworkDevices = 1 };

// The current device and the two lists the engine fills: network, then USB.
class DeviceLists
{
public:
    DeviceLists();

    void clearDeviceLists(int kind);
    void parseDeviceList(int kind, const QString &text);
    bool deviceAt(int index, int kind, DeviceRecord &record) const;
    int count(int kind) const;
    void selectDevice(int index, int kind);
    void setDevice(quint8 deviceType, quint8 paperSourceBits, qint32 projectId, const QString &portName,
                   const QString &model);
    DeviceRecord currentDevice() const;
    void loadPortSettings();
    void savePortSettings() const;

private:
    DeviceRecord current;
    QList<DeviceRecord> network;
    QList<DeviceRecord> usb;
};

DeviceLists &deviceLists();

// The model name of a device reply, read up to its zero or the field's end.
QString replyModelName(const tagResponseDeviceInfo &reply);

// Asks the current device what it offers and records it; false when it does not answer.
bool queryMachine(ScanRequest &request);
