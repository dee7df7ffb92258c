// The engine's device list text ("type,capability,project,port,model;..."),
// which comes from the scanners on the network.
#include "fuzz/fuzzdriver.h"
#include "scan/devicelists.h"

void setUpTarget()
{
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int kind = data[0] % 2 == 0 ? UsbDevices : NetworkDevices;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), int(size - 1));
    DeviceLists lists;
    lists.clearDeviceLists(UsbDevices);
    lists.parseDeviceList(kind, text);
    int entries = 0;
    for (const QString &entry : text.split(';'))
        entries += entry.split(',').size() >= 5 ? 1 : 0;
    fuzzCheck(lists.count(kind) == entries, "every entry with five fields is listed, and nothing else");
    fuzzCheck(lists.count(kind == UsbDevices ? NetworkDevices : UsbDevices) == 0, "the other list stays empty");
    for (int i = 0; i < lists.count(kind); ++i) {
        DeviceRecord record;
        fuzzCheck(lists.deviceAt(i, kind, record), "a listed device can be read");
        fuzzCheck(record.portName[255] == 0 && record.alias[63] == 0 && record.model[63] == 0, "device texts stay terminated");
        lists.selectDevice(i, kind);
        fuzzCheck(lists.currentDevice().portNameText() == record.portNameText(), "the chosen device is the one listed");
    }
    DeviceRecord none;
    fuzzCheck(!lists.deviceAt(lists.count(kind), kind, none), "nothing past the end");
    return 0;
}
