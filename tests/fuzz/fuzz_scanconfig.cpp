// The scan-configuration loader and the port settings, reading a user
// settings file that may have been damaged or written by anyone.
//
// Input: "f" and the file's text as it is, or "r" and binary records: two
// bytes for the stored counts and active positions, then 384-byte images
// that become the glass list's and the feeder list's items (so that the
// records' own rules are reached without first guessing hex text). Any
// other first byte: the file's text.
#include "app/configfile.h"
#include "app/globals.h"
#include "fuzz/fuzzdriver.h"
#include "scan/devicelists.h"
#include "scan/scanrequest.h"
#include "ui/resolutionlist.h"
#include "ui/scanconfigurationstore.h"
#include "ui/scansettings.h"

#include <QFile>

#include <cstring>

namespace {

QByteArray recordsFile(const QByteArray &input)
{
    if (input.size() < 2)
        return QByteArray();
    const int glassCount = uchar(input.at(0)) % 40;
    const int active = uchar(input.at(1)) % 40 - 4;
    QByteArray text = "[FBConfig]\nConfigCount=" + QByteArray::number(glassCount)
                      + "\nFBActive=" + QByteArray::number(active) + "\n";
    QByteArray feeder = "[ADFConfig]\nConfigCount=40\nADFActive=" + QByteArray::number(active + 1) + "\n";
    int item = 0;
    for (int at = 2; at < input.size(); at += ScanConfiguration::ByteSize, ++item) {
        const QByteArray hex = input.mid(at, ScanConfiguration::ByteSize).toHex();
        if (item < glassCount)
            text += "Item" + QByteArray::number(item) + "=" + hex + "\n";
        else
            feeder += "Item" + QByteArray::number(item - glassCount) + "=" + hex + "\n";
    }
    return text + feeder;
}

void checkSame(const ScanConfigurationStore &a, const ScanConfigurationStore &b, int source)
{
    fuzzCheck(a.count(source) == b.count(source), "a saved list loads back whole");
    fuzzCheck(a.activeIndex(source) == b.activeIndex(source), "a saved list keeps its active entry");
    for (int i = 0; i < a.count(source); ++i)
        fuzzCheck(a.entryAt(source, i)->toBytes() == b.entryAt(source, i)->toBytes(), "a saved entry loads back the same");
}

void checkLoaded(ScanConfigurationStore &store, int source)
{
    fuzzCheck(store.count(source) <= ScanConfigurationStore::MaxEntries, "a list never grows past its bound");
    fuzzCheck(store.activeIndex(source) >= 0 && store.activeIndex(source) < store.count(source), "the active entry exists");
    for (int i = store.customIndex(source) + 1; i < store.count(source); ++i)
        fuzzCheck(ScanConfigurationStore::isUsableRecord(*store.entryAt(source, i), source), "only usable entries are loaded");
    ScanRequest record;
    std::memset(&record, 0, sizeof record);
    record.paperSource = source;
    store.applyActiveTo(source, record);
    static const ResolutionList resolutions;
    fuzzCheck(resolutions.contains(source, record.resolution), "the active entry gives a resolution of the list");
}
} // namespace

void setUpTarget()
{
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input = fuzzBytes(data + 1, size - 1);
    // A new name each time: a file rewritten in the same instant with the
    // same size would be read from the settings cache.
    static int generation = 0;
    const QString file = fuzzScratchDir() + QStringLiteral("/settings%1.ini").arg(generation);
    const QString copy = fuzzScratchDir() + QStringLiteral("/saved%1.ini").arg(generation++);
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        out.write(data[0] == 'r' ? recordsFile(input) : input);
    }

    ScanConfigurationStore store;
    store.buildDefaults(data[0] % 2 == 0);
    store.load(file);
    for (int source : {int(ExposureGlass), int(DocumentFeeder)})
        checkLoaded(store, source);

    // What is saved loads back the same.
    store.save(copy);
    ScanConfigurationStore again;
    again.buildDefaults(data[0] % 2 == 0);
    again.load(copy);
    for (int source : {int(ExposureGlass), int(DocumentFeeder)})
        checkSame(store, again, source);

    // The port settings come from the same file.
    const QString settingsFile = configFile().strUIConfig;
    configFile().strUIConfig = file;
    deviceLists().loadPortSettings();
    configFile().strUIConfig = settingsFile;
    QFile::remove(file);
    QFile::remove(copy);
    const DeviceRecord device = deviceLists().currentDevice();
    fuzzCheck(device.portName[255] == 0 && device.alias[63] == 0 && device.model[63] == 0, "port texts stay terminated");
    fuzzCheck(device.deviceType <= 2, "a stored device type is a known one");
    return 0;
}
