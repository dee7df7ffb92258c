#include "modaldriver.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "scan/scanrequest.h"
#include "ui/configdialog.h"
#include "ui/papersizelist.h"
#include "ui/scanconfigflows.h"
#include "ui/scanconfigurationstore.h"
#include "ui/scansettings.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <memory>

namespace {
// Reads the stored image at an offset, independently of the record code.
qint32 i32At(const QByteArray &image, int offset)
{
    return qFromLittleEndian<qint32>(reinterpret_cast<const uchar *>(image.constData()) + offset);
}

QList<qint32> i32sAt(const QByteArray &image, std::initializer_list<int> offsets)
{
    QList<qint32> values;
    for (int offset : offsets)
        values << i32At(image, offset);
    return values;
}

double doubleAt(const QByteArray &image, int offset)
{
    const quint64 bits = qFromLittleEndian<quint64>(reinterpret_cast<const uchar *>(image.constData()) + offset);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QString nameAt(const QByteArray &image)
{
    QString name;
    for (int i = 0; i < 132; ++i) {
        const quint16 unit = qFromLittleEndian<quint16>(reinterpret_cast<const uchar *>(image.constData()) + 4 + 2 * i);
        if (unit == 0)
            break;
        name.append(QChar(unit));
    }
    return name;
}

ScanRequest sampleRecord(int mode = Grayscale, int dpi = 600)
{
    ScanRequest r{};
    r.paperSource = ExposureGlass;
    r.scanMode = mode;
    r.resolution = dpi;
    r.paperSizeId = UserDefinedPaperSize;
    r.unit = Pixel;
    const double inches[4] = {0.5, 1.25, 4.0, 6.5};
    for (int i = 0; i < 4; ++i) {
        r.areaInches[i] = inches[i];
        r.areaCentimetres[i] = inches[i] * 2.54;
        r.areaPixels[i] = inchesToPixels(inches[i], dpi);
    }
    return r;
}

// A user record as the program writes it, for hand-made settings files.
ScanConfiguration userRecord(const QString &name, int dpi = 300)
{
    ScanConfiguration c;
    c.kind = ScanConfiguration::KindUser;
    c.setName(name);
    c.scanMode = FullColor;
    c.resolution = dpi;
    c.paperSizeId = 4;
    c.unit = Inch;
    const double inches[4] = {0, 0, 8.5, 11};
    for (int i = 0; i < 4; ++i) {
        c.areaInches[i] = inches[i];
        c.areaCentimetres[i] = inches[i] * 2.54;
        c.areaPixels[i] = inchesToPixels(inches[i], dpi);
    }
    c.canSaveAs = 1;
    c.userMade = 1;
    return c;
}

// The built-in lists, then what the file holds when one is given.
ScanConfigurationStore storeWith(bool metric = false, const QString &file = QString())
{
    ScanConfigurationStore store;
    store.buildDefaults(metric);
    if (!file.isEmpty())
        store.load(file);
    return store;
}

void writeIni(const QString &file, const QVariantMap &values)
{
    QSettings ini(file, QSettings::IniFormat);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        ini.setValue(it.key(), it.value());
}

void addUsers(ScanConfigurationStore &store, int source, int n)
{
    for (int i = 0; i < n; ++i)
        QVERIFY(store.saveAs(source, QString("User %1").arg(i), sampleRecord()));
}

QLineEdit *nameField(QWidget *dialog)
{
    return dialog->findChild<QLineEdit *>("lineEditConfigName");
}

// Types into the naming dialog and presses "Save".
ModalDriver::Step typeAndSave(const QString &text)
{
    return [text](QWidget *w) {
        auto *dialog = qobject_cast<ConfigDialog *>(w);
        if (!dialog) {
            ModalDriver::reject(w);
            return;
        }
        nameField(dialog)->setText(text);
        QPushButton *save = dialog->findChild<QPushButton *>("pushButtonSave");
        QTimer::singleShot(0, save, [save] { save->click(); });
    };
}

ModalDriver::Step cancelDialog(QString *shownText = nullptr, bool *selected = nullptr)
{
    return [shownText, selected](QWidget *w) {
        auto *dialog = qobject_cast<ConfigDialog *>(w);
        if (!dialog) {
            ModalDriver::reject(w);
            return;
        }
        // The dialog is on top again as soon as a box over it closes, a
        // moment before the code that showed the box gives the field its
        // focus back: look once that has happened, or after two seconds.
        auto *look = new QTimer(dialog);
        auto triesLeft = std::make_shared<int>(400);
        QObject::connect(look, &QTimer::timeout, dialog, [=] {
            QLineEdit *field = nameField(dialog);
            const bool ready = field->selectedText() == field->text() && dialog->focusWidget() == field;
            if (!ready && --*triesLeft > 0)
                return;
            look->stop();
            if (shownText)
                *shownText = field->text();
            if (selected)
                *selected = ready;
            dialog->findChild<QPushButton *>("pushButtonCancel")->click();
        });
        look->start(5);
    };
}
} // namespace

class TestScanConfig : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void recordImageOffsets();
    void recordHexForms();
    void defaultsUsLocale();
    void defaultsMetricLocale();
    void findByNameIgnoresCase();
    void indexesAndFlags();
    void saveAsAppendsAndReplaces();
    void saveAsLimits();
    void removeEntries();
    void activeEntryAndRecord();
    void storedFileLayout();
    void roundTripKeepsUserRecords();
    void defaultStoreAndFileName();
    void damagedItemsAreSkipped();
    void outOfRangeRecordsAreRejected_data();
    void outOfRangeRecordsAreRejected();
    void configCountIsBounded();
    void activePositionFallsBack_data();
    void activePositionFallsBack();
    void dialogForm();
    void saveAsFlowNewName();
    void saveAsFlowRefusals_data();
    void saveAsFlowRefusals();
    void saveAsFlowReplace();
    void saveAsFlowFullList();
    void deleteFlow();
    void buttonState();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void TestScanConfig::init()
{
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath("ui.ini");
    QFile::remove(m_file);
}

void TestScanConfig::recordImageOffsets()
{
    ScanConfiguration c;
    c.kind = ScanConfiguration::KindUser;
    c.setName(QString::fromUtf8("Büro scan"));
    c.scanMode = BlackAndWhite;
    c.resolution = 600;
    c.paperSizeId = 12;
    c.unit = Centimetre;
    for (int i = 0; i < 4; ++i) {
        c.areaInches[i] = 1.5 + i;
        c.areaCentimetres[i] = -2.25 - i;
        c.areaPixels[i] = -100 - i;
    }
    c.canSaveAs = 1;
    c.userMade = 1;

    const QByteArray image = c.toBytes();
    QCOMPARE(image.size(), 384);
    QCOMPARE(nameAt(image), QString::fromUtf8("Büro scan"));
    // Kind, mode, resolution, paper, unit, then the reserved words.
    QCOMPARE(i32sAt(image, {0, 268, 272, 276, 280, 284, 368, 372}), (QList<qint32>{2, 2, 600, 12, 1, 0, 0, 0}));
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(doubleAt(image, 288 + 8 * i), 1.5 + i);
        QCOMPARE(doubleAt(image, 320 + 8 * i), -2.25 - i);
        QCOMPARE(i32At(image, 352 + 4 * i), -100 - i);
    }
    QCOMPARE(int(image.at(376)), 1);
    QCOMPARE(int(image.at(377)), 1);
    QCOMPARE(image.mid(378), QByteArray(6, '\0'));
    // Zero-filled after the name.
    QCOMPARE(image.mid(4 + 2 * 9, 264 - 2 * 9), QByteArray(264 - 18, '\0'));

    ScanConfiguration back;
    QVERIFY(ScanConfiguration::fromBytes(image, back));
    QCOMPARE(back.toBytes(), image);
    QCOMPARE(back.nameText(), QString::fromUtf8("Büro scan"));
    QVERIFY(!ScanConfiguration::fromBytes(image.left(383), back));
    QVERIFY(!ScanConfiguration::fromBytes(image + '\0', back));
}

void TestScanConfig::recordHexForms()
{
    // Every byte value survives the hex form, reserved bytes included.
    QByteArray image(384, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 7 + 3) & 0xff);
    const QString hex = QString::fromLatin1(image.toHex());
    ScanConfiguration c;
    QVERIFY(ScanConfiguration::fromHex(hex, c));
    QCOMPARE(c.toBytes(), image);
    QCOMPARE(c.toHex(), hex);
    QVERIFY(c.toHex() == c.toHex().toLower());
    QVERIFY(ScanConfiguration::fromHex(hex.toUpper(), c));
    QCOMPARE(c.toBytes(), image);

    QVERIFY(!ScanConfiguration::fromHex(hex.left(766), c));
    QVERIFY(!ScanConfiguration::fromHex(hex + "00", c));
    QString bad = hex;
    bad[100] = 'g';
    QVERIFY(!ScanConfiguration::fromHex(bad, c));
    bad = hex;
    bad[0] = ' ';
    QVERIFY(!ScanConfiguration::fromHex(bad, c));

    // A name as long as the field stays terminated.
    c.setName(QString(200, 'x'));
    QVERIFY(c.nameTerminated());
    QCOMPARE(c.nameText().size(), 131);
}

void TestScanConfig::defaultsUsLocale()
{
    ScanConfigurationStore store = storeWith();
    QCOMPARE(store.count(ExposureGlass), 6);
    QCOMPARE(store.count(DocumentFeeder), 4);
    QCOMPARE(store.customIndex(ExposureGlass), 5);
    QCOMPARE(store.customIndex(DocumentFeeder), 3);
    QCOMPARE(store.activeIndex(ExposureGlass), 5);
    QCOMPARE(store.activeIndex(DocumentFeeder), 3);

    const QStringList glassNames = {"Editing Text (OCR)", "Faxing, Filing, or Copying", "Black and White Photo",
                                    "Color Document-Faster", "Color Document-Better Quality", "Custom..."};
    const QStringList feederNames = {"ADF-Faster", "ADF-Better", "ADF-Gray", "Custom..."};
    for (int i = 0; i < glassNames.size(); ++i)
        QCOMPARE(store.nameAt(ExposureGlass, i), glassNames.at(i));
    for (int i = 0; i < feederNames.size(); ++i)
        QCOMPARE(store.nameAt(DocumentFeeder, i), feederNames.at(i));

    const int modes[] = {BlackAndWhite, BlackAndWhite, Grayscale, FullColor, FullColor, FullColor};
    const int dpis[] = {300, 200, 200, 100, 200, 100};
    for (int i = 0; i < 6; ++i) {
        const ScanConfiguration *e = store.entryAt(ExposureGlass, i);
        QCOMPARE(e->scanMode, modes[i]);
        QCOMPARE(e->resolution, dpis[i]);
        QCOMPARE(e->kind, quint32(i == 5 ? 1 : 0));
        QCOMPARE(int(e->canSaveAs), i == 5 ? 1 : 0);
        QCOMPARE(int(e->userMade), 0);
    }
    QCOMPARE(store.entryAt(DocumentFeeder, 1)->resolution, 300);
    QCOMPARE(store.entryAt(DocumentFeeder, 2)->scanMode, int(Grayscale));

    const ScanConfiguration *custom = store.entryAt(ExposureGlass, 5);
    QCOMPARE(custom->paperSizeId, 4);
    QCOMPARE(custom->unit, int(Inch));
    QCOMPARE(custom->areaInches[AreaWidth], 8.5);
    QCOMPARE(custom->areaInches[AreaHeight], 11.0);
    QCOMPARE(custom->areaCentimetres[AreaWidth], 21.59);
    QCOMPARE(custom->areaCentimetres[AreaHeight], 27.94);
    QCOMPARE(custom->areaPixels[AreaWidth], 850);
    QCOMPARE(store.entryAt(DocumentFeeder, 3)->areaInches[AreaLeft], 0.0);
    QCOMPARE(store.entryAt(ExposureGlass, 0)->areaPixels[AreaHeight], 3300);
}

void TestScanConfig::defaultsMetricLocale()
{
    ScanConfigurationStore store = storeWith(true);
    const ScanConfiguration *glass = store.entryAt(ExposureGlass, 5);
    QCOMPARE(glass->paperSizeId, 6);
    QCOMPARE(glass->unit, int(Centimetre));
    QCOMPARE(glass->areaInches[AreaLeft], 0.0);
    QCOMPARE(glass->areaInches[AreaWidth], 8.2677);
    QCOMPARE(glass->areaInches[AreaHeight], 11.693);
    QCOMPARE(glass->areaCentimetres[AreaWidth], 21.0);
    QCOMPARE(glass->areaCentimetres[AreaHeight], 29.7);

    const ScanConfiguration *feeder = store.entryAt(DocumentFeeder, 1); // ADF-Better, 300 dpi
    QVERIFY(qAbs(feeder->areaInches[AreaLeft] - 0.11615) < 1e-12);
    QCOMPARE(feeder->areaCentimetres[AreaLeft], 0.3);
    QCOMPARE(feeder->areaPixels[AreaLeft], 35);
    QCOMPARE(feeder->areaPixels[AreaWidth], 2480);
    QCOMPARE(feeder->areaPixels[AreaHeight], 3508);
    QVERIFY(qAbs(store.entryAt(DocumentFeeder, 3)->areaInches[AreaLeft] - 0.11615) < 1e-12);

    // Rebuilding starts over.
    store.saveAs(ExposureGlass, "Mine", sampleRecord());
    store.buildDefaults(true);
    QCOMPARE(store.count(ExposureGlass), 6);
}

void TestScanConfig::findByNameIgnoresCase()
{
    ScanConfigurationStore store = storeWith();
    QVERIFY(store.saveAs(ExposureGlass, "Receipts", sampleRecord()));
    int position = -1;
    QCOMPARE(store.findByName(ExposureGlass, "custom...", &position), 1);
    QCOMPARE(position, 5);
    QCOMPARE(store.findByName(ExposureGlass, "EDITING TEXT (OCR)", &position), 1);
    QCOMPARE(position, 0);
    QCOMPARE(store.findByName(ExposureGlass, "rEcEiPtS", &position), 2);
    QCOMPARE(position, 6);
    position = -7;
    QCOMPARE(store.findByName(ExposureGlass, "Invoices", &position), 0);
    QCOMPARE(position, -7);
    // The lists are separate.
    QCOMPARE(store.findByName(DocumentFeeder, "Receipts"), 0);
    QCOMPARE(store.findByName(DocumentFeeder, "adf-gray"), 1);
}

void TestScanConfig::indexesAndFlags()
{
    ScanConfigurationStore store = storeWith();
    QVERIFY(store.setActive(ExposureGlass, 0));
    QVERIFY(store.setActive(ExposureGlass, 5));
    QVERIFY(!store.setActive(ExposureGlass, 6));
    QVERIFY(!store.setActive(ExposureGlass, -1));
    QCOMPARE(store.activeIndex(ExposureGlass), 5);
    QCOMPARE(store.nameAt(ExposureGlass, 6), QString());
    QCOMPARE(store.nameAt(ExposureGlass, -1), QString());
    QVERIFY(!store.flagsAt(ExposureGlass, 6).canSaveAs);
    QVERIFY(!store.flagsAt(ExposureGlass, 6).userMade);
    QVERIFY(store.flagsAt(ExposureGlass, 5).canSaveAs);
    QVERIFY(!store.flagsAt(ExposureGlass, 5).userMade);
    QVERIFY(!store.flagsAt(ExposureGlass, 0).canSaveAs);
    // Anything but the glass is the feeder.
    QCOMPARE(store.count(0), 4);
    QCOMPARE(store.count(DocumentFeeder), 4);

    QListWidget list;
    list.addItem("stale row");
    store.fillList(&list, DocumentFeeder);
    QCOMPARE(list.count(), 4);
    QCOMPARE(list.item(3)->text(), QString("Custom..."));
}

void TestScanConfig::saveAsAppendsAndReplaces()
{
    ScanConfigurationStore store = storeWith();
    const ScanRequest first = sampleRecord(Grayscale, 600);
    QVERIFY(store.saveAs(ExposureGlass, "Alpha", first));
    QVERIFY(store.saveAs(ExposureGlass, "Beta", sampleRecord(FullColor, 100)));
    QCOMPARE(store.count(ExposureGlass), 8);
    const ScanConfiguration *alpha = store.entryAt(ExposureGlass, 6);
    QCOMPARE(alpha->kind, quint32(ScanConfiguration::KindUser));
    QCOMPARE(int(alpha->canSaveAs), 1);
    QCOMPARE(int(alpha->userMade), 1);
    QCOMPARE(alpha->scanMode, int(Grayscale));
    QCOMPARE(alpha->resolution, 600);
    QCOMPARE(alpha->unit, int(Pixel));
    QCOMPARE(alpha->paperSizeId, UserDefinedPaperSize);
    QCOMPARE(alpha->areaInches[AreaTop], 1.25);
    QCOMPARE(alpha->areaPixels[AreaHeight], 3900);

    // Same name in another case: replaced in place, with the new spelling.
    QVERIFY(store.saveAs(ExposureGlass, "ALPHA", sampleRecord(BlackAndWhite, 200)));
    QCOMPARE(store.count(ExposureGlass), 8);
    QCOMPARE(store.nameAt(ExposureGlass, 6), QString("ALPHA"));
    QCOMPARE(store.entryAt(ExposureGlass, 6)->scanMode, int(BlackAndWhite));
    QCOMPARE(store.nameAt(ExposureGlass, 7), QString("Beta"));

    // Presets, "Custom..." and empty names are refused and change nothing.
    QVERIFY(!store.saveAs(ExposureGlass, "custom...", first));
    QVERIFY(!store.saveAs(ExposureGlass, "Editing Text (OCR)", first));
    QVERIFY(!store.saveAs(ExposureGlass, "", first));
    QVERIFY(!store.saveAs(ExposureGlass, "   ", first));
    QCOMPARE(store.count(ExposureGlass), 8);
    QCOMPARE(store.entryAt(ExposureGlass, 5)->resolution, 100);
}

void TestScanConfig::saveAsLimits()
{
    ScanConfigurationStore store = storeWith();
    addUsers(store, ExposureGlass, 26);
    QCOMPARE(store.count(ExposureGlass), 32);
    QVERIFY(!store.canAdd(ExposureGlass));
    QVERIFY(!store.saveAs(ExposureGlass, "One more", sampleRecord()));
    // Even replacing is refused on a full list.
    QVERIFY(!store.saveAs(ExposureGlass, "User 3", sampleRecord(BlackAndWhite)));
    QCOMPARE(store.entryAt(ExposureGlass, 9)->scanMode, int(Grayscale));

    addUsers(store, DocumentFeeder, 28);
    QCOMPARE(store.count(DocumentFeeder), 32);
    QVERIFY(!store.canAdd(DocumentFeeder));
}

void TestScanConfig::removeEntries()
{
    ScanConfigurationStore store = storeWith();
    addUsers(store, ExposureGlass, 3);
    QVERIFY(!store.remove(ExposureGlass, 9));
    QVERIFY(!store.remove(ExposureGlass, -1));
    QVERIFY(!store.remove(ExposureGlass, 5)); // "Custom..." stays
    QVERIFY(!store.remove(ExposureGlass, 0)); // so do the presets
    QCOMPARE(store.count(ExposureGlass), 9);

    QVERIFY(store.setActive(ExposureGlass, 8));
    QVERIFY(store.remove(ExposureGlass, 8));
    QCOMPARE(store.count(ExposureGlass), 8);
    QCOMPARE(store.activeIndex(ExposureGlass), 7); // never past the end
    QVERIFY(store.setActive(ExposureGlass, 7));
    QVERIFY(store.remove(ExposureGlass, 6));
    QCOMPARE(store.activeIndex(ExposureGlass), 6); // still "User 1"
    QCOMPARE(store.nameAt(ExposureGlass, 6), QString("User 1"));
}

void TestScanConfig::activeEntryAndRecord()
{
    ScanConfigurationStore store = storeWith();
    ScanRequest record{};
    record.paperSource = ExposureGlass;
    QVERIFY(store.setActive(ExposureGlass, 0));
    store.applyActiveTo(ExposureGlass, record);
    QCOMPARE(record.configIndex, 0);
    QCOMPARE(record.scanMode, int(BlackAndWhite));
    QCOMPARE(record.resolution, 300);
    QCOMPARE(record.paperSizeId, 4);
    QCOMPARE(record.unit, int(Inch));
    QCOMPARE(record.areaPixels[AreaWidth], 2550);

    // A changed setting goes into "Custom..." only: kind, name and flags stay.
    QVERIFY(store.setActive(ExposureGlass, store.customIndex(ExposureGlass)));
    const ScanRequest changed = sampleRecord(Grayscale, 600);
    store.storeRecordInActive(ExposureGlass, changed);
    const ScanConfiguration *custom = store.entryAt(ExposureGlass, 5);
    QCOMPARE(custom->resolution, 600);
    QCOMPARE(custom->areaInches[AreaLeft], 0.5);
    QCOMPARE(custom->nameText(), QString("Custom..."));
    QCOMPARE(int(custom->canSaveAs), 1);
    QCOMPARE(custom->kind, quint32(1));
    QCOMPARE(store.entryAt(ExposureGlass, 0)->resolution, 300);

    // An active position at the list end is taken as "Custom...".
    QSettings(m_file, QSettings::IniFormat).setValue("FBConfig/FBActive", 6);
    ScanConfigurationStore loaded = storeWith(false, m_file);
    ScanRequest other{};
    loaded.applyActiveTo(ExposureGlass, other);
    QCOMPARE(other.configIndex, 5);
}

void TestScanConfig::storedFileLayout()
{
    ScanConfigurationStore store = storeWith(true);
    QVERIFY(store.saveAs(ExposureGlass, "Receipts", sampleRecord(Grayscale, 300)));
    QVERIFY(store.setActive(ExposureGlass, 6));
    QVERIFY(store.setActive(DocumentFeeder, 1));
    store.save(m_file);

    QCOMPARE(QFileInfo(m_file).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup | QFileDevice::WriteOther),
             QFileDevice::Permissions());

    QSettings ini(m_file, QSettings::IniFormat);
    QCOMPARE(ini.value("FBConfig/ConfigCount").toInt(), 2);
    QCOMPARE(ini.value("FBConfig/FBActive").toInt(), 6);
    QCOMPARE(ini.value("ADFConfig/ConfigCount").toInt(), 1);
    QCOMPARE(ini.value("ADFConfig/ADFActive").toInt(), 1);
    QVERIFY(!ini.contains("FBConfig/Item2"));
    QVERIFY(!ini.contains("ADFConfig/Item1"));

    const QString customHex = ini.value("FBConfig/Item0").toString();
    const QString userHex = ini.value("FBConfig/Item1").toString();
    QCOMPARE(customHex.size(), 768);
    QCOMPARE(userHex, userHex.toLower());
    const QByteArray custom = QByteArray::fromHex(customHex.toLatin1());
    const QByteArray user = QByteArray::fromHex(userHex.toLatin1());
    QCOMPARE(nameAt(custom), QString("Custom..."));
    QCOMPARE(i32sAt(custom, {0, 276, 280}), (QList<qint32>{1, 6, Centimetre}));
    QCOMPARE(doubleAt(custom, 288 + 16), 8.2677);
    QCOMPARE(int(custom.at(376)), 1);
    QCOMPARE(int(custom.at(377)), 0);

    QCOMPARE(nameAt(user), QString("Receipts"));
    QCOMPARE(i32sAt(user, {0, 268, 272, 276, 280}), (QList<qint32>{2, Grayscale, 300, UserDefinedPaperSize, Pixel}));
    QCOMPARE(doubleAt(user, 288), 0.5);
    QCOMPARE(doubleAt(user, 288 + 8), 1.25);
    QCOMPARE(doubleAt(user, 320 + 16), 4.0 * 2.54);
    QCOMPARE(i32At(user, 352 + 12), 1950);
    QCOMPARE(int(user.at(376)), 1);
    QCOMPARE(int(user.at(377)), 1);

    const QByteArray feeder = QByteArray::fromHex(ini.value("ADFConfig/Item0").toString().toLatin1());
    QCOMPARE(i32At(feeder, 0), 1);
    QVERIFY(qAbs(doubleAt(feeder, 288) - 0.11615) < 1e-12);

    // Saving again drops items that no longer exist.
    QVERIFY(store.remove(ExposureGlass, 6));
    store.save(m_file);
    QSettings again(m_file, QSettings::IniFormat);
    QCOMPARE(again.value("FBConfig/ConfigCount").toInt(), 1);
    QVERIFY(!again.contains("FBConfig/Item1"));
}

void TestScanConfig::roundTripKeepsUserRecords()
{
    // Hand-written records with odd but harmless bytes: reserved fields and
    // leftovers after the name terminator.
    ScanConfiguration odd = userRecord("Odd one");
    odd.reserved0 = 0xdeadbeef;
    odd.reserved1[1] = 7;
    odd.reserved2[5] = 0x5a;
    odd.name[100] = u'z';
    const QByteArray oddImage = odd.toBytes();

    ScanConfiguration custom = userRecord("Someone renamed me");
    custom.kind = ScanConfiguration::KindCustom;
    custom.userMade = 0;
    custom.resolution = 600;
    custom.areaPixels[AreaWidth] = 5100;

    writeIni(m_file, {{"FBConfig/ConfigCount", 3}, {"FBConfig/FBActive", 7}, {"FBConfig/Item0", custom.toHex()},
                      {"FBConfig/Item1", odd.toHex()}, {"FBConfig/Item2", userRecord("Second", 200).toHex().toUpper()}});
    ScanConfigurationStore store = storeWith(false, m_file);
    QCOMPARE(store.count(ExposureGlass), 8);
    QCOMPARE(store.activeIndex(ExposureGlass), 7);
    // "Custom..." takes the stored values but keeps its own name.
    QCOMPARE(store.nameAt(ExposureGlass, 5), QString("Custom..."));
    QCOMPARE(store.entryAt(ExposureGlass, 5)->resolution, 600);
    QCOMPARE(store.entryAt(ExposureGlass, 6)->toBytes(), oddImage);
    QCOMPARE(store.nameAt(ExposureGlass, 7), QString("Second"));

    const QString second = QDir(m_dir.path()).filePath("second.ini");
    store.save(second);
    QSettings out(second, QSettings::IniFormat);
    QCOMPARE(out.value("FBConfig/ConfigCount").toInt(), 3);
    QCOMPARE(QByteArray::fromHex(out.value("FBConfig/Item1").toString().toLatin1()), oddImage);
    QCOMPARE(QByteArray::fromHex(out.value("FBConfig/Item2").toString().toLatin1()), userRecord("Second", 200).toBytes());

    ScanConfigurationStore reloaded = storeWith(false, second);
    QCOMPARE(reloaded.count(ExposureGlass), 8);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(reloaded.entryAt(ExposureGlass, i)->toBytes(), store.entryAt(ExposureGlass, i)->toBytes());
    QCOMPARE(reloaded.activeIndex(ExposureGlass), 7);
}

void TestScanConfig::defaultStoreAndFileName()
{
    // The store without a path uses the user settings file of the configuration.
    configFile().strUIConfig = m_file;
    ScanConfigurationStore store = storeWith();
    store.save();
    QSettings ini(m_file, QSettings::IniFormat);
    QCOMPARE(ini.value("FBConfig/ConfigCount").toInt(), 1);
    QCOMPARE(ini.value("FBConfig/FBActive").toInt(), 5);
    QCOMPARE(ini.value("ADFConfig/ConfigCount").toInt(), 1);
    QCOMPARE(ini.value("ADFConfig/ADFActive").toInt(), 3);

    // An unbuilt store leaves the file alone.
    ini.setValue("FBConfig/Item1", userRecord("Keep").toHex());
    ini.setValue("FBConfig/ConfigCount", 2);
    ini.sync();
    ScanConfigurationStore empty;
    empty.load();
    empty.save();
    QSettings after(m_file, QSettings::IniFormat);
    QCOMPARE(after.value("FBConfig/ConfigCount").toInt(), 2);

    ScanConfigurationStore next = storeWith();
    next.load();
    QCOMPARE(next.nameAt(ExposureGlass, 6), QString("Keep"));
    configFile().strUIConfig.clear();
}

void TestScanConfig::damagedItemsAreSkipped()
{
    const QString good = userRecord("Good").toHex();
    {
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QTextStream s(&f);
        s << "[FBConfig]\n"
          << "ConfigCount=7\n"
          << "Item0=" << good.left(767) << "\n"                 // one digit short
          << "Item1=" << good << "0\n"                          // one digit long
          << "Item2=" << QString(good).replace(10, 1, "x") << "\n" // not hex
          << "Item3=" << good.left(400) << "," << good.mid(400) << "\n" // read as a list
          << "Item4=\n"
          << "Item6=" << userRecord("Also good").toHex() << "\n"; // Item5 missing
    }
    ScanConfigurationStore store = storeWith(false, m_file);
    QCOMPARE(store.count(ExposureGlass), 7);
    QCOMPARE(store.nameAt(ExposureGlass, 6), QString("Also good"));
    QCOMPARE(store.nameAt(ExposureGlass, 5), QString("Custom..."));
    QCOMPARE(store.activeIndex(ExposureGlass), 5);
    QCOMPARE(store.count(DocumentFeeder), 4);
}

void TestScanConfig::outOfRangeRecordsAreRejected_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("source");

    auto add = [](const char *name, const std::function<void(ScanConfiguration &)> &change, int source = ExposureGlass) {
        ScanConfiguration c = userRecord("Broken");
        change(c);
        QTest::newRow(name) << c.toBytes() << source;
    };
    add("unknown scan mode", [](ScanConfiguration &c) { c.scanMode = 3; });
    add("negative scan mode", [](ScanConfiguration &c) { c.scanMode = -1; });
    add("unknown unit", [](ScanConfiguration &c) { c.unit = 3; });
    add("resolution not offered", [](ScanConfiguration &c) { c.resolution = 150; });
    add("zero resolution", [](ScanConfiguration &c) { c.resolution = 0; });
    add("paper id 10", [](ScanConfiguration &c) { c.paperSizeId = 10; });
    add("paper id 99", [](ScanConfiguration &c) { c.paperSizeId = 99; });
    add("negative left", [](ScanConfiguration &c) { c.areaInches[AreaLeft] = -0.5; });
    add("NaN width", [](ScanConfiguration &c) { c.areaInches[AreaWidth] = std::nan(""); });
    add("infinite cm", [](ScanConfiguration &c) { c.areaCentimetres[AreaHeight] = INFINITY; });
    add("NaN cm", [](ScanConfiguration &c) { c.areaCentimetres[AreaTop] = std::nan(""); });
    add("wider than the glass", [](ScanConfiguration &c) { c.areaInches[AreaWidth] = 20; });
    add("offset pushes past the edge", [](ScanConfiguration &c) { c.areaInches[AreaLeft] = 1; });
    add("taller than the glass", [](ScanConfiguration &c) { c.areaInches[AreaHeight] = 14; });
    add("cm past the edge", [](ScanConfiguration &c) { c.areaCentimetres[AreaWidth] = 50; });
    add("negative pixels", [](ScanConfiguration &c) { c.areaPixels[AreaTop] = -1; });
    add("huge pixels", [](ScanConfiguration &c) { c.areaPixels[AreaWidth] = 2147483647; c.areaPixels[AreaLeft] = 10; });
    add("name without terminator", [](ScanConfiguration &c) { std::fill(std::begin(c.name), std::end(c.name), u'x'); });
    add("empty user name", [](ScanConfiguration &c) { c.name[0] = 0; });
    add("preset kind", [](ScanConfiguration &c) { c.kind = 0; c.userMade = 0; c.canSaveAs = 0; });
    add("unknown kind", [](ScanConfiguration &c) { c.kind = 9; });
    add("user record not user-made", [](ScanConfiguration &c) { c.userMade = 0; });
    add("deletable custom", [](ScanConfiguration &c) { c.kind = ScanConfiguration::KindCustom; c.userMade = 1; });
    add("flag byte out of range", [](ScanConfiguration &c) { c.canSaveAs = 2; });
    add("legal height beyond the feeder", [](ScanConfiguration &c) { c.areaInches[AreaHeight] = 14.5; }, DocumentFeeder);
}

void TestScanConfig::outOfRangeRecordsAreRejected()
{
    QFETCH(QByteArray, image);
    QFETCH(int, source);
    const QString group = source == ExposureGlass ? "FBConfig" : "ADFConfig";
    writeIni(m_file, {{group + "/ConfigCount", 3},
                      {group + "/Item0", userRecord("Before").toHex()},
                      {group + "/Item1", QString::fromLatin1(image.toHex())},
                      {group + "/Item2", userRecord("After").toHex()}});
    ScanConfiguration direct;
    QVERIFY(ScanConfiguration::fromBytes(image, direct));
    QVERIFY(!ScanConfigurationStore::isUsableRecord(direct, source));

    ScanConfigurationStore store = storeWith(false, m_file);
    const int custom = store.customIndex(source);
    QCOMPARE(store.count(source), custom + 3);
    QCOMPARE(store.nameAt(source, custom + 1), QString("Before"));
    QCOMPARE(store.nameAt(source, custom + 2), QString("After"));

    // And the lists stay usable: applying every entry gives known codes.
    ScanRequest record{};
    for (int i = 0; i < store.count(source); ++i) {
        QVERIFY(store.setActive(source, i));
        store.applyActiveTo(source, record);
        QVERIFY(record.scanMode >= 0 && record.scanMode < ScanModeCount);
        QVERIFY(record.unit >= 0 && record.unit < MeasureUnitCount);
    }
}

void TestScanConfig::configCountIsBounded()
{
    const QString good = userRecord("Many").toHex();
    // A count beyond any int, a negative one and one far beyond the items.
    for (const QString& count : { QString("99999999999999999999"), QString("-5"), QString("abc") }) {
        QFile::remove(m_file);
        writeIni(m_file, {{"FBConfig/ConfigCount", count}, {"FBConfig/Item0", good}});
        ScanConfigurationStore store = storeWith(false, m_file);
        QCOMPARE(store.count(ExposureGlass), 6);
    }

    QFile::remove(m_file);
    {
        QSettings ini(m_file, QSettings::IniFormat);
        ini.setValue("FBConfig/ConfigCount", 2000000000);
        for (int i = 0; i < 40; ++i)
            ini.setValue(QString("FBConfig/Item%1").arg(i), userRecord(QString("N%1").arg(i)).toHex());
        ini.setValue("ADFConfig/ConfigCount", 40);
        for (int i = 0; i < 40; ++i)
            ini.setValue(QString("ADFConfig/Item%1").arg(i), userRecord(QString("F%1").arg(i)).toHex());
    }
    ScanConfigurationStore store = storeWith(false, m_file);
    QCOMPARE(store.count(ExposureGlass), ScanConfigurationStore::MaxEntries);
    QCOMPARE(store.nameAt(ExposureGlass, 31), QString("N25"));
    QCOMPARE(store.count(DocumentFeeder), ScanConfigurationStore::MaxEntries);
    QCOMPARE(store.nameAt(DocumentFeeder, 31), QString("F27"));
    QVERIFY(!store.canAdd(ExposureGlass));
}

void TestScanConfig::activePositionFallsBack_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("inside") << "6" << 6;
    QTest::newRow("a preset") << "2" << 2;
    QTest::newRow("length") << "7" << 5;
    QTest::newRow("far beyond") << "99" << 5;
    QTest::newRow("negative") << "-3" << 5;
    QTest::newRow("not a number") << "abc" << 5;
    QTest::newRow("absent") << QString() << 5;
}

void TestScanConfig::activePositionFallsBack()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);
    {
        QSettings ini(m_file, QSettings::IniFormat);
        ini.setValue("FBConfig/ConfigCount", 2);
        ini.setValue("FBConfig/Item1", userRecord("Mine").toHex());
        if (!stored.isNull())
            ini.setValue("FBConfig/FBActive", stored);
    }
    ScanConfigurationStore store = storeWith(false, m_file);
    QCOMPARE(store.count(ExposureGlass), 7);
    QCOMPARE(store.activeIndex(ExposureGlass), expected);
}

void TestScanConfig::dialogForm()
{
    ScanConfigurationStore store = storeWith();
    ConfigDialog dialog(ExposureGlass, QString(), &store);
    QCOMPARE(dialog.size(), QSize(430, 130));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.windowTitle(), QString("Save Scan Configuration"));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(dialog.windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
    QCOMPARE(dialog.findChild<QLabel *>("labelConfigName")->text(), QString("Enter a Name for this Scan Configuration:"));
    QCOMPARE(dialog.findChild<QPushButton *>("pushButtonSave")->text(), QString("Save"));
    QCOMPARE(dialog.findChild<QPushButton *>("pushButtonCancel")->text(), QString("Cancel"));

    QLineEdit *field = nameField(&dialog);
    QCOMPARE(field->maxLength(), 128);
    QCOMPARE(field->text(), QString("Enter the new scan setting name"));
    QCOMPARE(field->selectedText(), field->text());

    const QValidator *validator = field->validator();
    QVERIFY(validator);
    int pos = 0;
    for (const QString &bad : {QString("a=b"), QString("tab\there"), QString("line\nbreak"), QString("cr\r")}) {
        QString text = bad;
        QCOMPARE(validator->validate(text, pos), QValidator::Invalid);
    }
    QString text = "Receipts 2024 (A4)";
    QCOMPARE(validator->validate(text, pos), QValidator::Acceptable);

    // Typing goes through the validator: "=" never reaches the field.
    field->clear();
    QTest::keyClicks(field, "a=b");
    QCOMPARE(field->text(), QString("ab"));

    ConfigDialog proposed(ExposureGlass, "Custom...", &store);
    QCOMPARE(nameField(&proposed)->text(), QString("Custom..."));
}

void TestScanConfig::saveAsFlowNewName()
{
    ScanConfigurationStore store = storeWith();
    QListWidget list;
    store.fillList(&list, ExposureGlass);
    list.setCurrentRow(5);
    QSignalSpy rowChanges(&list, &QListWidget::currentRowChanged);
    ScanRequest record = sampleRecord(Grayscale, 300);
    record.configIndex = 5;

    ModalDriver driver;
    QString proposal;
    driver.then([&proposal](QWidget *w) {
        if (auto *dialog = qobject_cast<ConfigDialog *>(w))
            proposal = nameField(dialog)->text();
        typeAndSave("  Receipts  ")(w);
    });
    QVERIFY(saveConfigurationAs(nullptr, store, ExposureGlass, &list, record, "Information"));
    QVERIFY(driver.finished());
    QCOMPARE(driver.unexpected, 0);
    QCOMPARE(proposal, QString("Custom..."));

    QCOMPARE(store.count(ExposureGlass), 7);
    QCOMPARE(store.nameAt(ExposureGlass, 6), QString("Receipts")); // trimmed
    QCOMPARE(store.activeIndex(ExposureGlass), 6);
    QCOMPARE(record.configIndex, 6);
    QCOMPARE(list.count(), 7);
    QCOMPARE(list.currentRow(), 6);
    QCOMPARE(rowChanges.count(), 0);
    QCOMPARE(store.entryAt(ExposureGlass, 6)->resolution, 300);
    QCOMPARE(store.entryAt(ExposureGlass, 6)->scanMode, int(Grayscale));

    // Cancelling the dialog changes nothing.
    ModalDriver cancel;
    cancel.then(cancelDialog());
    QVERIFY(!saveConfigurationAs(nullptr, store, ExposureGlass, &list, record, "Information"));
    QCOMPARE(store.count(ExposureGlass), 7);
    QCOMPARE(cancel.unexpected, 0);
}

void TestScanConfig::saveAsFlowRefusals_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("warning");
    QTest::newRow("custom in lower case") << "custom..." << "Cannot overwrite the default configuration.";
    QTest::newRow("custom as shown") << "Custom..." << "Cannot overwrite the default configuration.";
    QTest::newRow("a preset") << "Editing Text (OCR)" << "Cannot overwrite the default configuration.";
    QTest::newRow("blank") << "    " << "Please enter the valid scan configuration name.";
    QTest::newRow("empty") << "" << "Please enter the valid scan configuration name.";
}

void TestScanConfig::saveAsFlowRefusals()
{
    QFETCH(QString, typed);
    QFETCH(QString, warning);
    ScanConfigurationStore store = storeWith();
    QListWidget list;
    store.fillList(&list, ExposureGlass);
    list.setCurrentRow(5);
    ScanRequest record = sampleRecord();
    record.configIndex = 5;
    const QByteArray customBefore = store.entryAt(ExposureGlass, 5)->toBytes();

    ModalDriver driver;
    QString afterWarning;
    bool selected = false;
    driver.then(typeAndSave(typed));
    driver.answerBox(QMessageBox::AcceptRole);
    // The dialog is still open, its text selected in the focused field.
    driver.then(cancelDialog(&afterWarning, &selected));
    QVERIFY(!saveConfigurationAs(nullptr, store, ExposureGlass, &list, record, "Information"));
    QVERIFY(driver.finished());
    QCOMPARE(driver.unexpected, 0);
    QCOMPARE(driver.seen.size(), 3);
    QCOMPARE(driver.seen.at(1).title, QString("Information"));
    QCOMPARE(driver.seen.at(1).text, warning);
    QCOMPARE(driver.seen.at(1).icon, QMessageBox::Warning);
    QCOMPARE(driver.seen.at(2).className, QString("ConfigDialog"));
    QCOMPARE(afterWarning, typed);
    QVERIFY(selected || typed.isEmpty());

    QCOMPARE(store.count(ExposureGlass), 6);
    QCOMPARE(store.entryAt(ExposureGlass, 5)->toBytes(), customBefore);
    QCOMPARE(record.configIndex, 5);
}

void TestScanConfig::saveAsFlowReplace()
{
    ScanConfigurationStore store = storeWith();
    QVERIFY(store.saveAs(ExposureGlass, "Alpha", sampleRecord(FullColor, 100)));
    QVERIFY(store.saveAs(ExposureGlass, "Beta", sampleRecord(FullColor, 100)));
    QListWidget list;
    store.fillList(&list, ExposureGlass);
    list.setCurrentRow(5);
    ScanRequest record = sampleRecord(BlackAndWhite, 600);

    // No: the dialog stays open; cancelling it then leaves everything as it was.
    {
        ModalDriver driver;
        driver.then(typeAndSave("alpha"));
        driver.answerBox(QMessageBox::NoRole);
        driver.then(cancelDialog());
        QVERIFY(!saveConfigurationAs(nullptr, store, ExposureGlass, &list, record, "Information"));
        QCOMPARE(driver.unexpected, 0);
        QCOMPARE(driver.seen.at(1).text,
                 QString("The scan configuration named \"alpha\" already exists.\n"
                         "Are you sure you want to replace this existing configuration?"));
        QCOMPARE(driver.seen.at(1).icon, QMessageBox::Question);
        QCOMPARE(driver.seen.at(1).title, QString("Information"));
        QCOMPARE(store.entryAt(ExposureGlass, 6)->resolution, 100);
    }
    // Yes: replaced in place, the position kept and selected.
    {
        ModalDriver driver;
        driver.then(typeAndSave("alpha"));
        driver.answerBox(QMessageBox::YesRole);
        QVERIFY(saveConfigurationAs(nullptr, store, ExposureGlass, &list, record, "Information"));
        QCOMPARE(driver.unexpected, 0);
        QVERIFY(driver.finished());
        QCOMPARE(store.count(ExposureGlass), 8);
        QCOMPARE(store.nameAt(ExposureGlass, 6), QString("alpha"));
        QCOMPARE(store.entryAt(ExposureGlass, 6)->resolution, 600);
        QCOMPARE(store.entryAt(ExposureGlass, 6)->scanMode, int(BlackAndWhite));
        QCOMPARE(store.nameAt(ExposureGlass, 7), QString("Beta"));
        QCOMPARE(store.activeIndex(ExposureGlass), 6);
        QCOMPARE(record.configIndex, 6);
        QCOMPARE(list.currentRow(), 6);
        QCOMPARE(list.item(6)->text(), QString("alpha"));
    }
}

void TestScanConfig::saveAsFlowFullList()
{
    ScanConfigurationStore store = storeWith();
    addUsers(store, ExposureGlass, 26);
    QListWidget list;
    store.fillList(&list, ExposureGlass);
    list.setCurrentRow(10);
    ScanRequest record = sampleRecord();

    // Refused at once, before any dialog, even for a name that exists.
    ModalDriver driver;
    driver.answerBox(QMessageBox::AcceptRole);
    QVERIFY(!saveConfigurationAs(nullptr, store, ExposureGlass, &list, record, "Information"));
    QCOMPARE(driver.unexpected, 0);
    QCOMPARE(driver.seen.size(), 1);
    QCOMPARE(driver.seen.at(0).className, QString("QMessageBox"));
    QCOMPARE(driver.seen.at(0).text,
             QString("Cannot save over 32 scan configurations.\nTo save a new configuration please delete an existing one."));
    QCOMPARE(store.count(ExposureGlass), 32);
}

void TestScanConfig::deleteFlow()
{
    ScanConfigurationStore store = storeWith();
    QVERIFY(store.saveAs(ExposureGlass, "Alpha", sampleRecord(Grayscale, 200)));
    QVERIFY(store.saveAs(ExposureGlass, "Beta", sampleRecord(BlackAndWhite, 300)));
    QListWidget list;
    store.fillList(&list, ExposureGlass);
    ScanRequest record = sampleRecord(FullColor, 600);

    // A preset row: nothing happens, no question.
    {
        ModalDriver driver;
        list.setCurrentRow(2);
        QVERIFY(!deleteConfiguration(nullptr, store, ExposureGlass, &list, record, "Information"));
        QCOMPARE(driver.seen.size(), 0);
        QCOMPARE(store.count(ExposureGlass), 8);
    }
    // No keeps the entry.
    {
        ModalDriver driver;
        driver.answerBox(QMessageBox::NoRole);
        list.setCurrentRow(7);
        QVERIFY(!deleteConfiguration(nullptr, store, ExposureGlass, &list, record, "Information"));
        QCOMPARE(driver.unexpected, 0);
        QCOMPARE(driver.seen.at(0).text, QString("Are you sure you want to delete the scan configuration named \"Beta\" ?"));
        QCOMPARE(driver.seen.at(0).defaultButton, QString("&Yes"));
        QCOMPARE(driver.seen.at(0).title, QString("Information"));
        QCOMPARE(store.count(ExposureGlass), 8);
    }
    // Yes on the last entry: the new last entry becomes active and fills the record.
    {
        ModalDriver driver;
        driver.answerBox(QMessageBox::YesRole);
        list.setCurrentRow(7);
        QSignalSpy rowChanges(&list, &QListWidget::currentRowChanged);
        QVERIFY(deleteConfiguration(nullptr, store, ExposureGlass, &list, record, "Information"));
        QCOMPARE(driver.unexpected, 0);
        QCOMPARE(store.count(ExposureGlass), 7);
        QCOMPARE(store.findByName(ExposureGlass, "Beta"), 0);
        QCOMPARE(store.activeIndex(ExposureGlass), 6);
        QCOMPARE(record.configIndex, 6);
        QCOMPARE(record.scanMode, int(Grayscale));
        QCOMPARE(record.resolution, 200);
        QCOMPARE(list.count(), 7);
        QCOMPARE(list.currentRow(), 6);
        QCOMPARE(rowChanges.count(), 0);
    }
    // Deleting the only user entry falls back to "Custom...".
    {
        ModalDriver driver;
        driver.answerBox(QMessageBox::YesRole);
        list.setCurrentRow(6);
        QVERIFY(deleteConfiguration(nullptr, store, ExposureGlass, &list, record, "Information"));
        QCOMPARE(store.count(ExposureGlass), 6);
        QCOMPARE(store.activeIndex(ExposureGlass), 5);
        QCOMPARE(record.configIndex, 5);
        QCOMPARE(list.currentRow(), 5);
    }
}

void TestScanConfig::buttonState()
{
    ScanConfigurationStore store = storeWith();
    QVERIFY(store.saveAs(DocumentFeeder, "Mine", sampleRecord()));
    QPushButton saveAs, remove;

    // "Custom...", a preset, the user's own: save as, delete.
    const struct { int row; bool saveAs, remove; } rows[] = {{3, true, false}, {0, false, false}, {4, true, true}};
    for (const auto &r : rows) {
        store.setActive(DocumentFeeder, r.row);
        updateConfigButtons(store, DocumentFeeder, &saveAs, &remove);
        QCOMPARE(saveAs.isEnabled(), r.saveAs);
        QCOMPARE(remove.isEnabled(), r.remove);
    }
    QVERIFY(configButtonState(store, DocumentFeeder).userMade);
    QVERIFY(!configButtonState(store, ExposureGlass).userMade);
    QVERIFY(configButtonState(store, ExposureGlass).canSaveAs);
}

QTEST_MAIN(TestScanConfig)
#include "tst_scanconfig.moc"
