#include "ui/scanconfigurationstore.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "scan/scanrequest.h"
#include "ui/papersizelist.h"
#include "ui/resolutionlist.h"
#include "ui/scansettings.h"

#include <QDebug>
#include <QListWidget>
#include <QSettings>

#include <cmath>
#include <cstring>

namespace {
QString groupName(int source)
{
    return isGlass(source) ? QStringLiteral("FBConfig") : QStringLiteral("ADFConfig");
}

QString activeKey(int source)
{
    return isGlass(source) ? QStringLiteral("FBActive") : QStringLiteral("ADFActive");
}

void takeValues(ScanConfiguration &entry, const ScanRequest &record)
{
    entry.scanMode = record.scanMode;
    entry.resolution = record.resolution;
    entry.paperSizeId = record.paperSizeId;
    entry.unit = record.unit;
    std::memcpy(entry.areaInches, record.areaInches, sizeof entry.areaInches);
    std::memcpy(entry.areaCentimetres, record.areaCentimetres, sizeof entry.areaCentimetres);
    std::memcpy(entry.areaPixels, record.areaPixels, sizeof entry.areaPixels);
}

ScanConfiguration builtEntry(quint32 kind, const QString &name, int scanMode, int dpi, int source, bool metric)
{
    ScanConfiguration entry;
    entry.kind = kind;
    entry.setName(name);
    entry.scanMode = scanMode;
    entry.resolution = dpi;
    entry.unit = metric ? Centimetre : Inch;
    entry.paperSizeId = metric ? 6 : 4; // A4 or Letter
    const double width = metric ? 8.2677 : 8.5;
    const double height = metric ? 11.693 : 11.0;
    // A4 is centred in the feed width.
    const double left = (metric && !isGlass(source)) ? (FullScanWidth - width) / 2 : 0.0;
    const double inches[4] = {left, 0.0, width, height};
    for (int i = 0; i < 4; ++i) {
        entry.areaInches[i] = inches[i];
        entry.areaCentimetres[i] = roundTo(inches[i] * 2.54, 2, true);
        entry.areaPixels[i] = inchesToPixels(inches[i], dpi);
    }
    entry.canSaveAs = kind == ScanConfiguration::KindCustom ? 1 : 0;
    entry.userMade = 0;
    return entry;
}

bool nonNegative(double value)
{
    return std::isfinite(value) && value >= 0;
}

// Offset plus length inside the whole scan area, with room for the
// rounding of stored values.
bool areaFits(const double area[4], double fullWidth, double fullHeight, double slack)
{
    for (int i = 0; i < 4; ++i) {
        if (!nonNegative(area[i]))
            return false;
    }
    return area[AreaLeft] + area[AreaWidth] <= fullWidth + slack
           && area[AreaTop] + area[AreaHeight] <= fullHeight + slack;
}
} // namespace

void ScanConfigurationStore::buildDefaults(bool metric)
{
    static const struct {
        const char *name;
        int scanMode;
        int dpi;
    } glassPresets[] = {
        {QT_TR_NOOP("Editing Text (OCR)"), BlackAndWhite, 300},
        {QT_TR_NOOP("Faxing, Filing, or Copying"), BlackAndWhite, 200},
        {QT_TR_NOOP("Black and White Photo"), Grayscale, 200},
        {QT_TR_NOOP("Color Document-Faster"), FullColor, 100},
        {QT_TR_NOOP("Color Document-Better Quality"), FullColor, 200},
    }, feederPresets[] = {
        {QT_TR_NOOP("ADF-Faster"), FullColor, 100},
        {QT_TR_NOOP("ADF-Better"), FullColor, 300},
        {QT_TR_NOOP("ADF-Gray"), Grayscale, 300},
    };

    m_glass.clear();
    m_feeder.clear();
    for (const auto &p : glassPresets)
        m_glass.push_back(builtEntry(ScanConfiguration::KindPreset, tr(p.name), p.scanMode, p.dpi, ExposureGlass, metric));
    for (const auto &p : feederPresets)
        m_feeder.push_back(builtEntry(ScanConfiguration::KindPreset, tr(p.name), p.scanMode, p.dpi, DocumentFeeder, metric));
    m_customIndexGlass = int(m_glass.size());
    m_customIndexFeeder = int(m_feeder.size());
    m_glass.push_back(builtEntry(ScanConfiguration::KindCustom, tr("Custom..."), FullColor, 100, ExposureGlass, metric));
    m_feeder.push_back(builtEntry(ScanConfiguration::KindCustom, tr("Custom..."), FullColor, 100, DocumentFeeder, metric));
    m_activeGlass = m_customIndexGlass;
    m_activeFeeder = m_customIndexFeeder;
}

std::vector<ScanConfiguration> &ScanConfigurationStore::entries(int source)
{
    return isGlass(source) ? m_glass : m_feeder;
}

const std::vector<ScanConfiguration> &ScanConfigurationStore::entries(int source) const
{
    return isGlass(source) ? m_glass : m_feeder;
}

int &ScanConfigurationStore::activeRef(int source)
{
    return isGlass(source) ? m_activeGlass : m_activeFeeder;
}

int ScanConfigurationStore::correctedActive(int source)
{
    int &active = activeRef(source);
    if (active < 0 || active >= count(source))
        active = customIndex(source);
    return active;
}

int ScanConfigurationStore::count(int source) const
{
    return int(entries(source).size());
}

int ScanConfigurationStore::customIndex(int source) const
{
    return isGlass(source) ? m_customIndexGlass : m_customIndexFeeder;
}

int ScanConfigurationStore::activeIndex(int source) const
{
    return isGlass(source) ? m_activeGlass : m_activeFeeder;
}

bool ScanConfigurationStore::setActive(int source, int index)
{
    if (index < 0 || index >= count(source))
        return false;
    activeRef(source) = index;
    return true;
}

bool ScanConfigurationStore::canAdd(int source) const
{
    return count(source) < MaxEntries;
}

const ScanConfiguration *ScanConfigurationStore::entryAt(int source, int index) const
{
    const std::vector<ScanConfiguration> &list = entries(source);
    if (index < 0 || index >= int(list.size()))
        return nullptr;
    return &list.at(index);
}

QString ScanConfigurationStore::nameAt(int source, int index) const
{
    const ScanConfiguration *entry = entryAt(source, index);
    return entry ? entry->nameText() : QString();
}

ConfigFlags ScanConfigurationStore::flagsAt(int source, int index) const
{
    ConfigFlags flags;
    if (const ScanConfiguration *entry = entryAt(source, index)) {
        flags.canSaveAs = entry->canSaveAs == 1;
        flags.userMade = entry->userMade == 1;
    }
    return flags;
}

void ScanConfigurationStore::fillList(QListWidget *list, int source) const
{
    if (!list)
        return;
    list->clear();
    for (const ScanConfiguration &entry : entries(source))
        list->addItem(entry.nameText());
}

int ScanConfigurationStore::findByName(int source, const QString &name, int *position) const
{
    const std::vector<ScanConfiguration> &list = entries(source);
    for (int i = 0; i < int(list.size()); ++i) {
        if (list.at(i).nameText().compare(name, Qt::CaseInsensitive) == 0) {
            if (position)
                *position = i;
            return list.at(i).userMade == 1 ? 2 : 1;
        }
    }
    return 0;
}

void ScanConfigurationStore::applyActiveTo(int source, ScanRequest &record)
{
    if (entries(source).empty())
        return;
    const int index = correctedActive(source);
    const ScanConfiguration &entry = entries(source).at(index);
    record.configIndex = index;
    record.scanMode = entry.scanMode;
    record.resolution = entry.resolution;
    record.paperSizeId = entry.paperSizeId;
    record.unit = entry.unit;
    std::memcpy(record.areaInches, entry.areaInches, sizeof record.areaInches);
    std::memcpy(record.areaCentimetres, entry.areaCentimetres, sizeof record.areaCentimetres);
    std::memcpy(record.areaPixels, entry.areaPixels, sizeof record.areaPixels);
}

void ScanConfigurationStore::storeRecordInActive(int source, const ScanRequest &record)
{
    if (entries(source).empty())
        return;
    const int index = correctedActive(source);
    takeValues(entries(source)[size_t(index)], record);
}

bool ScanConfigurationStore::saveAs(int source, const QString &name, const ScanRequest &record)
{
    if (!canAdd(source) || name.trimmed().isEmpty())
        return false;
    int position = -1;
    const int found = findByName(source, name, &position);
    if (found == 1)
        return false;

    ScanConfiguration entry;
    entry.kind = ScanConfiguration::KindUser;
    entry.setName(name);
    takeValues(entry, record);
    entry.canSaveAs = 1;
    entry.userMade = 1;
    if (found == 2)
        entries(source)[size_t(position)] = entry;
    else
        entries(source).push_back(entry);
    return true;
}

bool ScanConfigurationStore::remove(int source, int index)
{
    if (!flagsAt(source, index).userMade)
        return false;
    entries(source).erase(entries(source).begin() + index);
    int &active = activeRef(source);
    if (active > index)
        --active;
    if (active >= count(source))
        active = count(source) - 1;
    return true;
}

bool ScanConfigurationStore::isUsableRecord(const ScanConfiguration &record, int source)
{
    // A "Custom..." entry that could be deleted would leave the list without one.
    if (record.kind == ScanConfiguration::KindCustom) {
        if (record.userMade != 0)
            return false;
    } else if (record.kind == ScanConfiguration::KindUser) {
        if (record.userMade != 1 || record.name[0] == 0)
            return false;
    } else {
        return false;
    }
    if (record.canSaveAs > 1 || !record.nameTerminated())
        return false;
    if (record.scanMode < 0 || record.scanMode >= ScanModeCount || record.unit < 0 || record.unit >= MeasureUnitCount)
        return false;

    static const ResolutionList resolutions;
    static const PaperSizeList paperSizes;
    if (!resolutions.contains(source, record.resolution) || !paperSizes.find(record.paperSizeId))
        return false;

    const double fullHeight = fullScanHeight(source);
    if (!areaFits(record.areaInches, FullScanWidth, fullHeight, 0.001))
        return false;
    if (!areaFits(record.areaCentimetres, FullScanWidth * 2.54, fullHeight * 2.54, 0.01))
        return false;
    const qint32 *px = record.areaPixels;
    for (int i = 0; i < 4; ++i) {
        if (px[i] < 0)
            return false;
    }
    return qint64(px[AreaLeft]) + px[AreaWidth] <= qint64(inchesToPixels(FullScanWidth, record.resolution)) + 1
           && qint64(px[AreaTop]) + px[AreaHeight] <= qint64(inchesToPixels(fullHeight, record.resolution)) + 1;
}

void ScanConfigurationStore::load()
{
    const QString file = configFile().uiConfigFile();
    if (!file.isEmpty())
        load(file);
}

void ScanConfigurationStore::save() const
{
    const QString file = configFile().uiConfigFile();
    if (!file.isEmpty())
        save(file);
}

void ScanConfigurationStore::load(const QString &file)
{
    const QSettings settings(file, QSettings::IniFormat);
    loadList(settings, ExposureGlass);
    loadList(settings, DocumentFeeder);
}

void ScanConfigurationStore::save(const QString &file) const
{
    UserSettings settings(file);
    saveList(settings, ExposureGlass);
    saveList(settings, DocumentFeeder);
}

void ScanConfigurationStore::loadList(const QSettings &settings, int source)
{
    std::vector<ScanConfiguration> &list = entries(source);
    // Nothing built to load into.
    if (list.empty())
        return;
    const QString group = groupName(source);
    const int custom = customIndex(source);

    bool ok = false;
    int stored = settings.value(group + "/ConfigCount", 0).toInt(&ok);
    // A list never holds more than MaxEntries, whatever the file claims.
    stored = ok ? qBound(0, stored, MaxEntries) : 0;
    for (int i = 0; i < stored; ++i) {
        const QVariant value = settings.value(group + "/Item" + QString::number(i));
        ScanConfiguration record;
        if (value.userType() != QMetaType::QString || !ScanConfiguration::fromHex(value.toString(), record)) {
            qDebug() << "ScanConfigurationStore::loadList" << "Unreadable item:" << group << i;
            continue;
        }
        if (!isUsableRecord(record, source)) {
            qDebug() << "ScanConfigurationStore::loadList" << "Unusable item:" << group << i;
            continue;
        }
        if (record.kind == ScanConfiguration::KindCustom) {
            // The translated name stays.
            std::memcpy(record.name, list.at(custom).name, sizeof record.name);
            list[size_t(custom)] = record;
        } else if (int(list.size()) < MaxEntries) {
            list.push_back(record);
        }
    }

    int active = settings.value(group + "/" + activeKey(source), custom).toInt(&ok);
    if (!ok || active < 0 || active >= int(list.size()))
        active = custom;
    activeRef(source) = active;
}

void ScanConfigurationStore::saveList(QSettings &settings, int source) const
{
    const std::vector<ScanConfiguration> &list = entries(source);
    // An unbuilt store must not wipe what the file holds.
    if (list.empty())
        return;
    const QString group = groupName(source);
    const int custom = customIndex(source);
    int active = activeIndex(source);
    if (active < 0 || active >= int(list.size()))
        active = custom;

    settings.remove(group);
    settings.setValue(group + "/ConfigCount", int(list.size()) - custom);
    settings.setValue(group + "/" + activeKey(source), active);
    for (int i = custom; i < int(list.size()); ++i)
        settings.setValue(group + "/Item" + QString::number(i - custom), list.at(i).toHex());
}
