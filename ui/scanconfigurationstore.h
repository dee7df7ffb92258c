#pragma once

#include "ui/scanconfiguration.h"

#include <QCoreApplication>
#include <QString>
#include <vector>

class QListWidget;
class QSettings;
struct ScanRequest;

struct ConfigFlags
{
    bool canSaveAs = false;
    bool userMade = false;
};

// The two lists of scan configurations, one for the exposure glass and one
// for the feeder: fixed presets, the editable "Custom..." entry, then the
// user's own. Source 1 (ExposureGlass) selects the glass list, anything
// else the feeder list.
//
// Stored in the user settings file under "FBConfig" and "ADFConfig":
// ConfigCount, the active position ("FBActive"/"ADFActive") and Item0...
// as hex images, from the "Custom..." position on; presets are rebuilt at
// every start.
class ScanConfigurationStore
{
    Q_DECLARE_TR_FUNCTIONS(ScanConfigurationStore)

public:
    // Presets and "Custom..." included.
    static constexpr int MaxEntries = 32;

    ScanConfigurationStore() = default;

    // Empties both lists and builds the presets and "Custom..." entries for
    // a metric (A4, centimetres) or US (Letter, inches) locale.
    void buildDefaults(bool metric);

    // From and to the user settings file named by the configuration file.
    void load();
    void save() const;
    void load(const QString &file);
    void save(const QString &file) const;

    int count(int source) const;
    int customIndex(int source) const;
    int activeIndex(int source) const;
    // Accepted when 0 <= index < count.
    bool setActive(int source, int index);
    bool canAdd(int source) const;
    // Empty outside the list.
    QString nameAt(int source, int index) const;
    // Both false outside the list.
    ConfigFlags flagsAt(int source, int index) const;
    // Null outside the list.
    const ScanConfiguration *entryAt(int source, int index) const;

    // Replaces the rows of the list control with the names in list order.
    void fillList(QListWidget *list, int source) const;

    // Letter case is ignored. 0 not found, 1 a preset or "Custom...", 2 a
    // user configuration; the position is written when found.
    int findByName(int source, const QString &name, int *position = nullptr) const;

    // Takes configIndex, scan mode, resolution, paper size, unit and area
    // from the active entry (an active position outside the list first
    // falls back to "Custom...").
    void applyActiveTo(int source, ScanRequest &record);
    // Overwrites the active entry's scan values from the record; kind,
    // name and flags stay.
    void storeRecordInActive(int source, const ScanRequest &record);

    // Appends a user configuration, or replaces the user configuration of
    // that name in place. False when the list is full (even to replace),
    // for an empty name, or when the name is a preset's or "Custom...".
    bool saveAs(int source, const QString &name, const ScanRequest &record);
    // Removes a user configuration. False outside the list and for presets
    // and "Custom...", which the list cannot do without.
    bool remove(int source, int index);

    // Whether a stored record can join the source's list: known codes, a
    // resolution and paper size that exist, an area of finite,
    // non-negative values inside the source's whole scan area, a
    // terminated name and the flags the program writes for its kind.
    static bool isUsableRecord(const ScanConfiguration &record, int source);

private:
    std::vector<ScanConfiguration> &entries(int source);
    const std::vector<ScanConfiguration> &entries(int source) const;
    int &activeRef(int source);
    // The active position, first moved to "Custom..." when outside the list.
    int correctedActive(int source);
    void loadList(const QSettings &settings, int source);
    void saveList(QSettings &settings, int source) const;

    int m_customIndexGlass = 0;
    int m_customIndexFeeder = 0;
    int m_activeGlass = 0;
    int m_activeFeeder = 0;
    std::vector<ScanConfiguration> m_glass;
    std::vector<ScanConfiguration> m_feeder;
};
