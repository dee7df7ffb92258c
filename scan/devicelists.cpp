#include "scan/devicelists.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "ptessark.h"
#include "scan/scanrequest.h"

#include <QDebug>

#include <cstring>

namespace {
DeviceRecord zeroRecord()
{
    DeviceRecord r;
    std::memset(&r, 0, sizeof r);
    return r;
}
} // namespace

QString DeviceRecord::portNameText() const { return wideText(portName); }
QString DeviceRecord::aliasText() const { return wideText(alias); }
QString DeviceRecord::modelText() const { return wideText(model); }

DeviceLists::DeviceLists()
    : current(zeroRecord())
{
}

void DeviceLists::clearDeviceLists(int kind)
{
    if (kind == NetworkDevices) {
        network.clear();
        return;
    }
    network.clear();
    usb.clear();
}

void DeviceLists::parseDeviceList(int kind, const QString &listText)
{
    if (listText.isEmpty())
        return;
    const QStringList entries = listText.split(';', Qt::KeepEmptyParts);
    for (const QString &entry : entries) {
        qDebug() << entry;
        if (entry.isEmpty())
            continue;
        const QStringList fields = entry.split(',', Qt::KeepEmptyParts);
        if (fields.size() < 5) {
            qDebug().noquote() << entry + " error!";
            continue;
        }
        DeviceRecord r = zeroRecord();
        // Non-numbers read as 0.
        r.deviceType = quint8(fields[0].trimmed().toInt());
        r.paperSourceBits = quint8(fields[1].trimmed().toInt());
        r.projectId = fields[2].trimmed().toInt();
        setWideText(r.portName, fields[3]);
        setWideText(r.model, fields[4]);
        setWideText(r.alias, kind == UsbDevices ? QString("USB, %1").arg(fields[4]) : fields[3]);
        (kind == UsbDevices ? usb : network).append(r);
    }
}

bool DeviceLists::deviceAt(int index, int kind, DeviceRecord &record) const
{
    const QList<DeviceRecord> &list = kind == NetworkDevices ? network : usb;
    if (index < 0 || index >= list.size())
        return false;
    record = list.at(index);
    return true;
}

int DeviceLists::count(int kind) const
{
    return (kind == NetworkDevices ? network : usb).size();
}

void DeviceLists::selectDevice(int index, int kind)
{
    const QList<DeviceRecord> &list = kind != UsbDevices ? network : usb;
    if (index >= 0 && index < list.size())
        current = list.at(index);
}

void DeviceLists::setDevice(quint8 deviceType, quint8 paperSourceBits, qint32 projectId, const QString &portName,
                            const QString &model)
{
    current = zeroRecord();
    current.deviceType = deviceType;
    current.paperSourceBits = paperSourceBits;
    current.projectId = projectId;
    setWideText(current.portName, portName);
    setWideText(current.model, model);
    setWideText(current.alias, deviceType != 0 ? portName : QStringLiteral("USB"));
}

DeviceRecord DeviceLists::currentDevice() const
{
    return current;
}

void DeviceLists::loadPortSettings()
{
    UserSettings settings(configFile().uiConfigFile());
    current = zeroRecord();
    int type = settings.value("Port/DeviceType", 2).toInt();
    if (type >= 3 || type < 0)
        type = 2;
    current.deviceType = quint8(type);
    current.paperSourceBits = quint8(settings.value("Port/PaperSource", 0).toInt());
    current.projectId = settings.value("Port/ProjectID", 0).toInt();
    setWideText(current.portName, iniText(settings, "Port/Default"));
    setWideText(current.alias, iniText(settings, "Port/Alias"));
    setWideText(current.model, iniText(settings, "Port/Model"));
}

void DeviceLists::savePortSettings() const
{
    UserSettings settings(configFile().uiConfigFile());
    settings.setValue("Port/Default", current.portNameText());
    settings.setValue("Port/Alias", current.aliasText());
    settings.setValue("Port/Model", current.modelText());
    settings.setValue("Port/DeviceType", int(current.deviceType));
    settings.setValue("Port/PaperSource", int(current.paperSourceBits));
    settings.setValue("Port/ProjectID", current.projectId);
}

QString replyModelName(const tagResponseDeviceInfo &reply)
{
    return QString::fromUtf8(reply.modelName, int(qstrnlen(reply.modelName, sizeof reply.modelName)));
}

bool queryMachine(ScanRequest &request)
{
    request.flatbedAvailable = true;
    request.feederAvailable = false;
    request.duplexAvailable = false;

    const DeviceRecord device = deviceLists().currentDevice();
    tagResponseDeviceInfo reply;
    std::memset(&reply, 0, sizeof reply);
    const QString port = device.portNameText();
    const bool isNetwork = tessark().checkIPAddress(port) != 0;
    int projectId = device.projectId;
    if (!tessark().queryScannerStatus(projectId, port, &reply))
        return false;

    deviceLists().setDevice(isNetwork ? 1 : 0, reply.paperSource, projectId, port, replyModelName(reply));
    if (reply.paperSource & CapabilityValid) {
        request.feederAvailable = (reply.paperSource & CapabilityFeeder) != 0;
        request.duplexAvailable = (reply.paperSource & (CapabilityDuplex | CapabilityDuplexAlt)) != 0;
    }
    return true;
}
