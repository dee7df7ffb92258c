#include "modaldriver.h"
#include "testsupport.h"

#include "scan/scanrequest.h"
#include "ui/papersizelist.h"
#include "ui/resolutionlist.h"
#include "ui/scanarea.h"
#include "ui/scansettings.h"
#include "ui/sizefields.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDoubleValidator>
#include <QIntValidator>
#include <QLineEdit>
#include <QPointer>
#include <QStyle>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {
QVector<int> itemIds(const QComboBox &combo)
{
    QVector<int> ids;
    for (int i = 0; i < combo.count(); ++i)
        ids.append(combo.itemData(i).toInt());
    return ids;
}

// A record on the glass in inches at 300 dpi showing Letter.
ScanRequest letterOnGlass()
{
    ScanRequest r{};
    r.paperSource = ExposureGlass;
    r.resolution = 300;
    r.unit = Inch;
    PaperSizeList sizes;
    applyPaperSize(r, sizes, 4);
    return r;
}
} // namespace

class TestSettingsModel : public QObject
{
    Q_OBJECT

private slots:
    void roundTo_data();
    void roundTo();
    void roundToOutsideIntegerRange();
    void sizeLimitsTable();
    void pixelRanges();
    void metricLocale();
    void fixedVocabularies();
    void resolutionList();
    void paperSizeTable();
    void paperSizeRowsPerSource();
    void paperSizeLogLines();
    void comboBoxWidening();
    void applyingPaperSize();
    void changingResolution();
    void commitTypedSize_data();
    void commitTypedSize();
    void commitStoresInEachUnit();
    void commitRefusesUnconvertibleRecord();
    void commitSizeFieldDrivesField();
    void validators();
};

void TestSettingsModel::roundTo_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("roundHalf");
    QTest::addColumn<double>("expected");
    QTest::newRow("pixels of full glass height at 300") << 300 * 11.693 << 0 << true << 3508.0;
    QTest::newRow("A4 feeder left at 200") << 0.11615 * 200 << 0 << true << 23.0;
    QTest::newRow("half rounds up") << 2.5 << 0 << true << 3.0;
    QTest::newRow("display 8.5") << 8.5 << 2 << true << 8.5;
    QTest::newRow("display 2.345") << 2.345 << 2 << true << 2.35;
    QTest::newRow("negative keeps sign") << -2.345 << 2 << true << -2.35;
    QTest::newRow("truncate without half") << 2.349 << 2 << false << 2.34;
    // The 0.00001 nudge lifts a value stored just below a digit.
    QTest::newRow("nudge") << 2.999995 << 0 << false << 3.0;
    QTest::newRow("zero") << 0.0 << 2 << true << 0.0;
}

void TestSettingsModel::roundTo()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(bool, roundHalf);
    QFETCH(double, expected);
    QCOMPARE(::roundTo(value, decimals, roundHalf), expected);
}

void TestSettingsModel::roundToOutsideIntegerRange()
{
    // Such values cannot pass through a 64-bit integer: they come back as they are.
    QCOMPARE(::roundTo(1e300, 0, true), 1e300);
    QCOMPARE(::roundTo(-1e300, 2, true), -1e300);
    QVERIFY(std::isnan(::roundTo(std::nan(""), 2, true)));
    QCOMPARE(::roundTo(std::numeric_limits<double>::infinity(), 0, true), std::numeric_limits<double>::infinity());
    QCOMPARE(inchesToPixels(std::nan(""), 300), 0);
    QCOMPARE(inchesToPixels(1e12, 600), std::numeric_limits<qint32>::max());
}

void TestSettingsModel::sizeLimitsTable()
{
    double a = -1, b = -1, c = -1, d = -1;
    QVERIFY(sizeLimits(Inch, ExposureGlass, &a, &b, &c, &d));
    QCOMPARE(QVector<double>({a, b, c, d}), QVector<double>({0.3, 8.5, 0.3, 11.693}));
    QVERIFY(sizeLimits(Inch, DocumentFeeder, &a, &b, &c, &d));
    QCOMPARE(QVector<double>({a, b, c, d}), QVector<double>({5.5, 8.5, 5.5, 14.0}));
    QVERIFY(sizeLimits(Centimetre, ExposureGlass, &a, &b, &c, &d));
    QCOMPARE(QVector<double>({a, b, c, d}), QVector<double>({0.76, 21.59, 0.76, 29.7}));
    QVERIFY(sizeLimits(Centimetre, DocumentFeeder, &a, &b, &c, &d));
    QCOMPARE(QVector<double>({a, b, c, d}), QVector<double>({13.97, 21.59, 13.97, 35.56}));

    // Only the heights asked for.
    double minH = -1, maxH = -1;
    QVERIFY(sizeLimits(Inch, DocumentFeeder, nullptr, nullptr, &minH, &maxH));
    QCOMPARE(minH, 5.5);
    QCOMPARE(maxH, 14.0);

    // Pixels are not a unit of this table: nothing is written.
    a = b = c = d = -1;
    QVERIFY(!sizeLimits(Pixel, ExposureGlass, &a, &b, &c, &d));
    QCOMPARE(QVector<double>({a, b, c, d}), QVector<double>({-1, -1, -1, -1}));
}

void TestSettingsModel::pixelRanges()
{
    const SizeRange glass = sizeRange(Pixel, ExposureGlass, 300);
    QCOMPARE(QVector<double>({glass.minWidth, glass.maxWidth, glass.minHeight, glass.maxHeight}),
             QVector<double>({90, 2550, 90, 3508}));
    const SizeRange feeder = sizeRange(Pixel, DocumentFeeder, 200);
    QCOMPARE(feeder.minWidth, 1100.0);
    QCOMPARE(feeder.maxHeight, 2800.0);
}

void TestSettingsModel::metricLocale()
{
    QVERIFY(!isMetricLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
    QCOMPARE(QLocale(QLocale::English, QLocale::UnitedKingdom).measurementSystem(), QLocale::ImperialUKSystem);
    QVERIFY(isMetricLocale(QLocale(QLocale::English, QLocale::UnitedKingdom)));
    QVERIFY(isMetricLocale(QLocale(QLocale::German, QLocale::Germany)));
    QVERIFY(isMetricLocale(QLocale(QLocale::Japanese, QLocale::Japan)));
}

void TestSettingsModel::fixedVocabularies()
{
    QComboBox combo;
    fillPaperSourceComboBox(&combo);
    QCOMPARE(combo.count(), 2);
    QCOMPARE(combo.itemText(0), QString("Exposure Glass"));
    QCOMPARE(combo.itemText(1), QString("Automatic Document Feeder"));
    QCOMPARE(itemIds(combo), QVector<int>({1, 2}));

    fillScanModeComboBox(&combo);
    QCOMPARE(combo.count(), 3);
    QCOMPARE(combo.itemText(BlackAndWhite), QString("Black and White"));
    QCOMPARE(itemIds(combo), QVector<int>({0, 1, 2}));
    QCOMPARE(combo.maxVisibleItems(), 3);

    // Unit and duplex rows are their codes and carry no data.
    fillUnitComboBox(&combo);
    QCOMPARE(combo.count(), 3);
    QCOMPARE(combo.itemText(Centimetre), QString("cm"));
    QCOMPARE(combo.itemText(Pixel), QString("pixels"));
    QVERIFY(!combo.itemData(0).isValid());

    fillDuplexComboBox(&combo);
    QCOMPARE(combo.count(), 4);
    QCOMPARE(combo.itemText(DuplexLandscapeTopToBottom), QString("2Sd. Landscape: Top to Bottom"));
    QCOMPARE(combo.maxVisibleItems(), 4);

    QCOMPARE(unitText(3), QString());
    QCOMPARE(paperSourceText(0), QString());
    QCOMPARE(scanModeText(-1), QString());
}

void TestSettingsModel::resolutionList()
{
    const ResolutionList list;
    for (int source : {int(ExposureGlass), int(DocumentFeeder)}) {
        QCOMPARE(list.dpiAt(source, 0), 100);
        QCOMPARE(list.dpiAt(source, 3), 600);
        QCOMPARE(list.dpiAt(source, 4), -1);
        QCOMPARE(list.dpiAt(source, -1), -1);
        QCOMPARE(list.indexOf(source, 300), 2);
        QCOMPARE(list.indexOf(source, 150), list.count());
    }
    QComboBox combo;
    list.fillComboBox(&combo, DocumentFeeder);
    QCOMPARE(combo.count(), 4);
    QCOMPARE(combo.itemText(1), QString("200dpi"));
    QCOMPARE(itemIds(combo), QVector<int>({100, 200, 300, 600}));
    // Refilling replaces the rows.
    list.fillComboBox(&combo, ExposureGlass);
    QCOMPARE(combo.count(), 4);
}

void TestSettingsModel::paperSizeTable()
{
    const PaperSizeList list;
    QVERIFY(!list.find(10));
    QVERIFY(!list.find(0));
    const PaperSize *a4 = list.find(6);
    QVERIFY(a4);
    QCOMPARE(a4->widthIn, 8.2677);
    QCOMPARE(a4->heightIn, 11.693);
    QCOMPARE(a4->widthCm, 8.2677 * 2.54);
    QCOMPARE(a4->heightCm, 11.693 * 2.54);
    const PaperSize *photo = list.find(1);
    QVERIFY(photo);
    QVERIFY(photo->widthIn > photo->heightIn); // "3 x 5" names the height first
    const PaperSize *user = list.find(UserDefinedPaperSize);
    QVERIFY(user);
    QCOMPARE(user->name, QString("User defined"));
    QCOMPARE(list.find(12)->name, QString("Legal (8.5\" x 14\")"));
}

void TestSettingsModel::paperSizeRowsPerSource()
{
    const PaperSizeList list;
    QComboBox combo;
    list.fillComboBox(&combo, ExposureGlass);
    QCOMPARE(itemIds(combo), QVector<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 13}));
    QCOMPARE(combo.maxVisibleItems(), 11);
    list.fillComboBox(&combo, DocumentFeeder);
    // No photo or card sizes and no "User defined" in the feeder.
    QCOMPARE(itemIds(combo), QVector<int>({4, 5, 6, 7, 8, 9, 12}));
    QCOMPARE(combo.maxVisibleItems(), 7);
    QCOMPARE(combo.itemText(2), QString("A4 (8.27\" x 11.69\")"));
}

void TestSettingsModel::paperSizeLogLines()
{
    g_log.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    const PaperSizeList list;
    qInstallMessageHandler(previous);
    const QStringList paperLines = logLines("Paper=");
    QCOMPARE(paperLines.size(), list.count());
    QVERIFY(paperLines.at(5).contains("A4"));
    QVERIFY(paperLines.at(5).contains("Width= 8.2677"));
    QVERIFY(paperLines.at(5).contains("Height= 11.693"));
}

void TestSettingsModel::comboBoxWidening()
{
    const PaperSizeList list;
    QComboBox narrow;
    narrow.resize(40, 24);
    list.fillComboBox(&narrow, ExposureGlass);
    const QFontMetrics metrics(narrow.font());
    int widest = 0;
    for (int i = 0; i < narrow.count(); ++i)
        widest = qMax(widest, metrics.horizontalAdvance(narrow.itemText(i)));
    QCOMPARE(narrow.view()->minimumWidth(), widest + narrow.style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    QComboBox wide;
    wide.resize(2000, 24);
    const int before = wide.view()->minimumWidth();
    list.fillComboBox(&wide, ExposureGlass);
    QCOMPARE(wide.view()->minimumWidth(), before);
}

void TestSettingsModel::applyingPaperSize()
{
    const PaperSizeList sizes;
    ScanRequest r{};
    r.paperSource = DocumentFeeder;
    r.resolution = 200;
    QVERIFY(applyPaperSize(r, sizes, 6));
    QCOMPARE(r.paperSizeId, 6);
    QVERIFY(qAbs(r.areaInches[AreaLeft] - 0.11615) < 1e-12);
    QVERIFY(qAbs(r.areaCentimetres[AreaLeft] - 0.295021) < 1e-9); // 0.29502 cm
    QCOMPARE(r.areaInches[AreaWidth], 8.2677);
    QCOMPARE(r.areaInches[AreaHeight], 11.693);
    QCOMPARE(r.areaCentimetres[AreaWidth], 8.2677 * 2.54);
    QCOMPARE(r.areaPixels[AreaLeft], 23);
    QCOMPARE(r.areaPixels[AreaWidth], 1654);
    QCOMPARE(r.areaPixels[AreaHeight], 2339);
    QCOMPARE(r.areaPixels[AreaTop], 0);
    QCOMPARE(r.areaInches[AreaTop], 0.0);

    // On the glass the page sits in the corner.
    r.paperSource = ExposureGlass;
    r.resolution = 300;
    QVERIFY(applyPaperSize(r, sizes, 4));
    QCOMPARE(r.areaInches[AreaLeft], 0.0);
    QCOMPARE(r.areaCentimetres[AreaLeft], 0.0);
    QCOMPARE(r.areaPixels[AreaLeft], 0);
    QCOMPARE(r.areaPixels[AreaWidth], 2550);
    QCOMPARE(r.areaPixels[AreaHeight], 3300);

    // "User defined" keeps the area; an unknown id changes nothing.
    const ScanArea before = ScanArea::fromRequest(r);
    QVERIFY(applyPaperSize(r, sizes, UserDefinedPaperSize));
    QCOMPARE(r.paperSizeId, UserDefinedPaperSize);
    QVERIFY(ScanArea::fromRequest(r) == before);
    QVERIFY(!applyPaperSize(r, sizes, 10));
    QCOMPARE(r.paperSizeId, UserDefinedPaperSize);
    QVERIFY(ScanArea::fromRequest(r) == before);
}

void TestSettingsModel::changingResolution()
{
    ScanRequest r = letterOnGlass();
    r.areaInches[AreaLeft] = 1.25;
    r.areaCentimetres[AreaLeft] = 1.25 * 2.54;
    const ScanArea before = ScanArea::fromRequest(r);
    QVERIFY(changeResolution(r, 600));
    QCOMPARE(r.resolution, 600);
    const ScanArea after = ScanArea::fromRequest(r);
    QCOMPARE(QByteArray::fromRawData(reinterpret_cast<const char *>(after.inches), sizeof after.inches),
             QByteArray::fromRawData(reinterpret_cast<const char *>(before.inches), sizeof before.inches));
    QCOMPARE(after.centimetres[AreaLeft], before.centimetres[AreaLeft]);
    QCOMPARE(r.areaPixels[AreaLeft], 750);
    QCOMPARE(r.areaPixels[AreaWidth], 5100);
    QCOMPARE(r.areaPixels[AreaHeight], 6600);

    QVERIFY(!changeResolution(r, 0));
    QCOMPARE(r.resolution, 600);
}

void TestSettingsModel::commitTypedSize_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("unit");
    QTest::addColumn<double>("offset"); // inches, of the field's quantity
    QTest::addColumn<bool>("height");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("message");

    auto row = [](const char *name, int source, int unit, double offset, bool height, const char *text,
                  TypedSizeResult::Outcome outcome, const QString &message = QString()) {
        QTest::newRow(name) << source << unit << offset << height << QString(text) << int(outcome) << message;
    };
    const auto unchanged = TypedSizeResult::Unchanged, outOfRange = TypedSizeResult::OutOfRange,
               refused = TypedSizeResult::Refused, stored = TypedSizeResult::Stored;
    const QString range = "The value is out of the range. Please enter a value from %1 to %2 %3.";
    const QString glassWidth = range.arg("0.30", "8.50", "inch");
    row("unchanged text", ExposureGlass, Inch, 0, false, "8.50", unchanged);
    row("too wide: message", ExposureGlass, Inch, 0, false, "9", outOfRange, glassWidth);
    row("too wide with an offset: message", ExposureGlass, Inch, 1, false, "9", outOfRange, glassWidth);
    row("too narrow: message", ExposureGlass, Inch, 0, false, "0.1", outOfRange, glassWidth);
    row("height fits alone, not with top", ExposureGlass, Inch, 2, true, "10", refused);
    row("height with top", ExposureGlass, Inch, 2, true, "9.5", stored);
    row("garbage reads as 0", ExposureGlass, Inch, 0, false, "abc", outOfRange, glassWidth);
    row("nan is no length", ExposureGlass, Inch, 0, false, "nan", outOfRange, glassWidth);
    row("inf is no length", ExposureGlass, Inch, 0, false, "inf", outOfRange, glassWidth);
    row("negative", ExposureGlass, Inch, 0, false, "-3", outOfRange, glassWidth);
    row("feeder minimum", DocumentFeeder, Inch, 0, true, "5", outOfRange, range.arg("5.50", "14.00", "inch"));
    row("cm range", ExposureGlass, Centimetre, 0, false, "0.5", outOfRange, range.arg("0.76", "21.59", "cm"));
    row("pixel range", ExposureGlass, Pixel, 0, true, "50", outOfRange, range.arg("90", "3508", "pixel"));
    row("pixel decimal text reads as 0", ExposureGlass, Pixel, 0, false, "100.5", outOfRange,
        range.arg("90", "2550", "pixel"));
    row("pixel offset", ExposureGlass, Pixel, 1, false, "2400", refused);
    row("cm unchanged", ExposureGlass, Centimetre, 0, false, "21.59", unchanged);
}

void TestSettingsModel::commitTypedSize()
{
    QFETCH(int, source);
    QFETCH(int, unit);
    QFETCH(double, offset);
    QFETCH(bool, height);
    QFETCH(QString, text);
    QFETCH(int, outcome);
    QFETCH(QString, message);

    ScanRequest r = letterOnGlass();
    r.paperSource = source;
    r.unit = unit;
    const int offsetIndex = height ? AreaTop : AreaLeft;
    r.areaInches[offsetIndex] = offset;
    r.areaCentimetres[offsetIndex] = offset * 2.54;
    r.areaPixels[offsetIndex] = inchesToPixels(offset, r.resolution);
    r.paperSizeId = 4;

    const TypedSizeResult result = ::commitTypedSize(r, height ? SizeField::Height : SizeField::Width, text);
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(result.message, message);
    if (outcome != TypedSizeResult::Stored)
        QVERIFY(result.area == ScanArea::fromRequest(r));
    const int quantity = height ? AreaHeight : AreaWidth;
    QCOMPARE(result.currentText, displayValue(ScanArea::fromRequest(r).value(unit, quantity), unit));
}

void TestSettingsModel::commitStoresInEachUnit()
{
    // Typed in each unit, stored in all three; the other quantity is left alone.
    const struct
    {
        int unit;
        SizeField field;
        const char *text;
        double inches, centimetres;
        int pixels;
    } cases[] = {
        {Inch, SizeField::Width, "5", 5.0, 12.7, 1500},
        {Centimetre, SizeField::Height, "20", 20 / 2.54, 20.0, 2362},
        {Pixel, SizeField::Width, "1000", 1000.0 / 300, 1000.0 / 300 * 2.54, 1000},
    };
    for (const auto &c : cases) {
        ScanRequest r = letterOnGlass();
        r.unit = c.unit;
        const TypedSizeResult result = ::commitTypedSize(r, c.field, c.text);
        QCOMPARE(int(result.outcome), int(TypedSizeResult::Stored));
        const int typed = c.field == SizeField::Width ? AreaWidth : AreaHeight;
        const int other = c.field == SizeField::Width ? AreaHeight : AreaWidth;
        QCOMPARE(result.area.inches[typed], c.inches);
        QCOMPARE(result.area.centimetres[typed], c.centimetres);
        QCOMPARE(result.area.pixels[typed], c.pixels);
        QCOMPARE(result.area.inches[other], r.areaInches[other]);
    }
}

void TestSettingsModel::commitRefusesUnconvertibleRecord()
{
    // A record that never got a resolution cannot take pixels.
    ScanRequest r{};
    r.paperSource = ExposureGlass;
    r.unit = Pixel;
    QCOMPARE(int(::commitTypedSize(r, SizeField::Width, "100").outcome), int(TypedSizeResult::Refused));
    r.unit = 7;
    r.resolution = 300;
    QCOMPARE(int(::commitTypedSize(r, SizeField::Width, "1").outcome), int(TypedSizeResult::Refused));
}

void TestSettingsModel::commitSizeFieldDrivesField()
{
    ScanRequest r = letterOnGlass();
    QLineEdit edit;

    // Out of range: one warning, then the field shows the value again.
    {
        ModalDriver driver;
        driver.answerBox(QMessageBox::AcceptRole);
        edit.setText("0.1");
        QCOMPARE(int(commitSizeField(nullptr, &edit, r, SizeField::Width, "Information")),
                 int(TypedSizeResult::OutOfRange));
        QCOMPARE(driver.seen.size(), 1);
        QCOMPARE(driver.seen.at(0).title, QString("Information"));
        QCOMPARE(driver.seen.at(0).icon, QMessageBox::Warning);
        QVERIFY(driver.seen.at(0).text.contains("from 0.30 to 8.50 inch."));
        QCOMPARE(edit.text(), QString("8.50"));
        QCOMPARE(r.paperSizeId, 4);
    }
    // Refused silently: no box at all.
    {
        ModalDriver driver;
        r.areaInches[AreaLeft] = 1;
        r.areaCentimetres[AreaLeft] = 2.54;
        r.areaPixels[AreaLeft] = 300;
        edit.setText("8");
        QCOMPARE(int(commitSizeField(nullptr, &edit, r, SizeField::Width, "Information")),
                 int(TypedSizeResult::Refused));
        QCOMPARE(edit.text(), QString("8.50"));
        QCOMPARE(driver.seen.size(), 0);
    }
    // Stored: the record takes the area and the user-defined size.
    {
        ModalDriver driver;
        edit.setText("4.25");
        QCOMPARE(int(commitSizeField(nullptr, &edit, r, SizeField::Width, "Information")),
                 int(TypedSizeResult::Stored));
        QCOMPARE(r.areaInches[AreaWidth], 4.25);
        QCOMPARE(r.areaPixels[AreaWidth], 1275);
        QCOMPARE(r.paperSizeId, UserDefinedPaperSize);
        QCOMPARE(edit.text(), QString("4.25"));
        QCOMPARE(driver.seen.size(), 0);
    }
}

void TestSettingsModel::validators()
{
    // A comma locale must not change what the fields accept.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QLineEdit width, height;
    renewSizeValidators(&width, &height, Inch, ExposureGlass, 300);
    auto *w = qobject_cast<const QDoubleValidator *>(width.validator());
    auto *h = qobject_cast<const QDoubleValidator *>(height.validator());
    QVERIFY(w && h);
    QCOMPARE(w->bottom(), 0.3);
    QCOMPARE(w->top(), 8.5);
    QCOMPARE(w->decimals(), 2);
    QCOMPARE(h->top(), 11.693);
    QString text = "8.50";
    int pos = 0;
    QCOMPARE(w->validate(text, pos), QValidator::Acceptable);
    text = "8.505";
    QCOMPARE(w->validate(text, pos), QValidator::Invalid);

    QPointer<const QValidator> old = width.validator();
    renewSizeValidators(&width, &height, Centimetre, DocumentFeeder, 300);
    QVERIFY(old.isNull()); // the replaced validator does not pile up
    w = qobject_cast<const QDoubleValidator *>(width.validator());
    QVERIFY(w);
    QCOMPARE(w->bottom(), 13.97);
    QCOMPARE(w->top(), 21.59);
    QCOMPARE(qobject_cast<const QDoubleValidator *>(height.validator())->top(), 35.56);

    renewSizeValidators(&width, &height, Pixel, ExposureGlass, 300);
    auto *wi = qobject_cast<const QIntValidator *>(width.validator());
    auto *hi = qobject_cast<const QIntValidator *>(height.validator());
    QVERIFY(wi && hi);
    QCOMPARE(wi->bottom(), 90);
    QCOMPARE(wi->top(), 2550);
    QCOMPARE(hi->top(), 3508);

    // Renewed for a new resolution.
    renewSizeValidators(&width, &height, Pixel, ExposureGlass, 100);
    QCOMPARE(qobject_cast<const QIntValidator *>(width.validator())->top(), 850);
    QCOMPARE(width.findChildren<QValidator *>().size(), 1);
    QLocale::setDefault(QLocale::c());
}

QTEST_MAIN(TestSettingsModel)
#include "tst_settingsmodel.moc"
