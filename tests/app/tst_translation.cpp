// The German translation as shipped: the .qm built beside the program is
// found by locale, the windows and messages come out in German with it, a
// locale without a file stays English, and the .ts file is complete and in
// step with the sources.
#include "app/configfile.h"
#include "app/errormessage.h"
#include "app/globals.h"
#include "cloud/cloudfolderdialog.h"
#include "cloud/downloadfolderdialog.h"
#include "cloud/dropbox/dropboxfolder.h"
#include "cloud/foldernamedialog.h"
#include "cloud/uploadingdialog.h"
#include "ptessark.h"
#include "scan/progressdialog.h"
#include "scan/searchscannerdialog.h"
#include "scan/selectdevicedialog.h"
#include "scan/wakeupdialog.h"
#include "ui/aboutdialog.h"
#include "ui/configdialog.h"
#include "ui/mainwindow.h"
#include "ui/modaldriver.h"
#include "ui/scanconfigurationstore.h"
#include "ui/scansettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

namespace {
struct TsMessage
{
    QString context;
    QString source;
    QString comment;
    QString translation;
    QString type; // "unfinished", "vanished", "obsolete" or empty
};

QString tsPath()
{
    return qEnvironmentVariable("LUMERITH_SOURCE_DIR") + "/translations/corvel_de.ts";
}

QString translationsDir()
{
    return QCoreApplication::applicationDirPath() + "/translations";
}

bool readTs(const QString &path, QVector<TsMessage> &out, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = "cannot open " + path;
        return false;
    }
    QXmlStreamReader xml(&file);
    QString context;
    TsMessage current;
    bool inMessage = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("context")) {
                context.clear();
            } else if (name == QLatin1String("name") && !inMessage) {
                context = xml.readElementText();
            } else if (name == QLatin1String("message")) {
                current = TsMessage{};
                current.context = context;
                inMessage = true;
            } else if (inMessage && name == QLatin1String("source")) {
                current.source = xml.readElementText();
            } else if (inMessage && name == QLatin1String("comment")) {
                current.comment = xml.readElementText();
            } else if (inMessage && name == QLatin1String("translation")) {
                current.type = xml.attributes().value("type").toString();
                current.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            out.append(current);
            inMessage = false;
        }
    }
    if (xml.hasError()) {
        error = path + ": " + xml.errorString();
        return false;
    }
    return true;
}

// Form texts are keys that every window replaces; they are never shown.
bool isFormKey(const QString &source)
{
    static const QRegularExpression key(QStringLiteral("^IDS_[A-Z0-9_]+$"));
    return key.match(source).hasMatch();
}

QStringList placeholders(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral("%L?\\d+"));
    QStringList found;
    auto it = marker.globalMatch(text);
    while (it.hasNext())
        found << it.next().captured();
    found.sort();
    return found;
}

bool hasAccelerator(const QString &text)
{
    static const QRegularExpression accel(QStringLiteral("(^|[^&])&[^&\\s]"));
    return accel.match(text).hasMatch();
}

// Every text a user can read in a window: titles, labels, buttons, tabs,
// list and combo rows, table headers. Field contents are the user's data.
QStringList shownTexts(QWidget *root)
{
    QStringList texts;
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        if (w->isWindow() && !w->windowTitle().isEmpty())
            texts << w->windowTitle();
        if (!w->toolTip().isEmpty())
            texts << w->toolTip();
        if (auto *label = qobject_cast<QLabel *>(w))
            texts << label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            texts << button->text();
        else if (auto *group = qobject_cast<QGroupBox *>(w))
            texts << group->title();
        else if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        } else if (auto *table = qobject_cast<QTableWidget *>(w)) {
            for (int i = 0; i < table->columnCount(); ++i)
                if (QTableWidgetItem *item = table->horizontalHeaderItem(i))
                    texts << item->text();
        } else if (auto *list = qobject_cast<QListWidget *>(w)) {
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text();
        }
    }
    texts.removeAll(QString());
    return texts;
}

// Installs a translator for the lifetime of the object.
class InstalledTranslator
{
public:
    bool load(const QLocale &locale)
    {
        if (!translator.load(locale, QStringLiteral("corvel"), QStringLiteral("_"), translationsDir(),
                             QStringLiteral(".qm")))
            return false;
        installed = QCoreApplication::installTranslator(&translator);
        return installed;
    }
    ~InstalledTranslator()
    {
        if (installed)
            QCoreApplication::removeTranslator(&translator);
    }

private:
    QTranslator translator;
    bool installed = false;
};
} // namespace

class TestTranslation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tsFileIsComplete();
    void tsFileMatchesSources();
    void loadsByLocale_data();
    void loadsByLocale();
    void localeWithoutFileStaysEnglish();
    void dialogsInGerman();
    void mainWindowInGerman();
    void messagesInGerman();

private:
    // Shown texts that are still the English source of a text that has a
    // different German translation: a text that missed translation.
    QStringList englishLeftovers(const QStringList &texts) const;
    void checkNoKeysOrEnglish(QWidget *window);

    QVector<TsMessage> messages;
    QSet<QString> translatedAway;
};

void TestTranslation::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("LUMERITH_SOURCE_DIR"), "run through ctest");
    QString error;
    QVERIFY2(readTs(tsPath(), messages, error), qPrintable(error));
    QVERIFY(messages.size() > 100);
    for (const TsMessage &m : messages)
        if (!isFormKey(m.source) && m.type.isEmpty() && m.translation != m.source)
            translatedAway.insert(m.source);

    QVERIFY2(QFile::exists(translationsDir() + "/corvel_de.qm"), qPrintable(translationsDir()));

    // The windows need the module configuration beside the program and the
    // simulated device behind the engine, as at start-up.
    configFile().init(QCoreApplication::applicationDirPath());
    tessark().initInterface(&configFile());
}

void TestTranslation::tsFileIsComplete()
{
    QStringList problems;
    int keys = 0;
    for (const TsMessage &m : messages) {
        const QString where = m.context + " \"" + m.source + "\"";
        if (isFormKey(m.source)) {
            ++keys;
            continue;
        }
        if (m.type == QLatin1String("vanished") || m.type == QLatin1String("obsolete")) {
            problems << "left-over entry: " + where;
            continue;
        }
        if (m.type == QLatin1String("unfinished") || m.translation.trimmed().isEmpty()) {
            problems << "not translated: " + where;
            continue;
        }
        if (placeholders(m.source) != placeholders(m.translation))
            problems << "placeholders differ: " + where;
        if (m.source.count('\n') != m.translation.count('\n'))
            problems << "line breaks differ: " + where;
        if (hasAccelerator(m.source) != hasAccelerator(m.translation))
            problems << "accelerator differs: " + where;
        if (m.source.endsWith(':') != m.translation.endsWith(':'))
            problems << "trailing colon differs: " + where;
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    QVERIFY(keys > 0);

    // Product and service names stay as they are.
    for (const TsMessage &m : messages) {
        if (m.source == QLatin1String("Lumerith V2") || m.source == QLatin1String("Dropbox")
            || m.source == QLatin1String("GoogleDrive") || m.source == QLatin1String("OneDrive")
            || m.source == QLatin1String("Evernote") || m.source == QLatin1String("SharePoint Online"))
            QCOMPARE(m.translation, m.source);
    }
}

void TestTranslation::tsFileMatchesSources()
{
    // A text added to the code without running lupdate would ship in English.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fresh = dir.filePath("fresh_de.ts");
    const QString src = qEnvironmentVariable("LUMERITH_SOURCE_DIR");
    QProcess lupdate;
    lupdate.setWorkingDirectory(src);
    lupdate.start(QStringLiteral(LUMERITH_LUPDATE),
                  {"-I", ".", "-I", "engine", "-no-obsolete", "-locations", "none", "app", "scan", "ui", "cloud",
                   "-ts", fresh});
    QVERIFY(lupdate.waitForFinished(120000));
    QCOMPARE(lupdate.exitCode(), 0);

    QVector<TsMessage> found;
    QString error;
    QVERIFY2(readTs(fresh, found, error), qPrintable(error));
    QSet<QString> inSources, inFile;
    for (const TsMessage &m : found)
        inSources.insert(m.context + "|" + m.source + "|" + m.comment);
    for (const TsMessage &m : messages)
        inFile.insert(m.context + "|" + m.source + "|" + m.comment);
    const QStringList missing = QSet<QString>(inSources).subtract(inFile).values();
    const QStringList stale = QSet<QString>(inFile).subtract(inSources).values();
    QVERIFY2(missing.isEmpty(), qPrintable("texts not in corvel_de.ts (see translations/README.md):\n" + missing.join('\n')));
    QVERIFY2(stale.isEmpty(), qPrintable("entries no longer in the sources:\n" + stale.join('\n')));
}

void TestTranslation::loadsByLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("full name") << "de_DE";
    // The language alone when there is no file for the region.
    QTest::newRow("other region") << "de_AT";
    QTest::newRow("Switzerland") << "de_CH";
}

void TestTranslation::loadsByLocale()
{
    QFETCH(QString, locale);
    QTranslator translator;
    QVERIFY(translator.load(QLocale(locale), "corvel", "_", translationsDir(), ".qm"));
    QVERIFY(translator.filePath().endsWith("/corvel_de.qm"));
    QCOMPARE(translator.translate("QObject", "The machine is busy. Please try again later."),
             QString::fromUtf8("Das Gerät ist belegt. Bitte versuchen Sie es später erneut."));
    // Form keys are never compiled in, so a key can never pose as a text.
    QVERIFY(translator.translate("MainWindow", "IDS_SCAN").isEmpty());
}

void TestTranslation::localeWithoutFileStaysEnglish()
{
    InstalledTranslator translator;
    QVERIFY(!translator.load(QLocale("fr_FR")));
    QVERIFY(!translator.load(QLocale("en_US")));
    QCOMPARE(errorText(-22), QString("The machine is busy. Please try again later."));

    SelectDeviceDialog dialog;
    QCOMPARE(dialog.windowTitle(), QString("Scanner Driver Selection"));
    QCOMPARE(dialog.findChild<QPushButton *>("pushButtonCancel")->text(), QString("Cancel"));
    QCOMPARE(dialog.findChild<QLabel *>("labelIPAddress")->text(), QString("IP Address:"));
    for (const QString &text : shownTexts(&dialog))
        QVERIFY2(!isFormKey(text), qPrintable(text));
}

QStringList TestTranslation::englishLeftovers(const QStringList &texts) const
{
    QStringList left;
    for (const QString &text : texts)
        if (translatedAway.contains(text))
            left << text;
    return left;
}

void TestTranslation::checkNoKeysOrEnglish(QWidget *window)
{
    const QStringList texts = shownTexts(window);
    QVERIFY(!texts.isEmpty());
    for (const QString &text : texts)
        QVERIFY2(!text.contains("IDS_"), qPrintable(QString(window->metaObject()->className()) + ": " + text));
    const QStringList left = englishLeftovers(texts);
    QVERIFY2(left.isEmpty(), qPrintable(QString(window->metaObject()->className()) + " still English: "
                                        + left.join(" | ")));
}

void TestTranslation::dialogsInGerman()
{
    InstalledTranslator translator;
    QVERIFY(translator.load(QLocale("de_DE")));

    {
        SelectDeviceDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString::fromUtf8("Auswahl des Scannertreibers"));
        QCOMPARE(dialog.findChild<QLabel *>("labelIPAddress")->text(), QString("IP-Adresse:"));
        QCOMPARE(dialog.findChild<QPushButton *>("pushButtonSearchDevices")->text(), QString("Netzwerkscanner suchen"));
        QCOMPARE(dialog.findChild<QPushButton *>("pushButtonCancel")->text(), QString("Abbrechen"));
        checkNoKeysOrEnglish(&dialog);
    }
    {
        ScanConfigurationStore store;
        ConfigDialog dialog(ExposureGlass, QString(), &store);
        QCOMPARE(dialog.windowTitle(), QString("Scankonfiguration speichern"));
        QCOMPARE(dialog.findChild<QPushButton *>("pushButtonSave")->text(), QString("Speichern"));
        QCOMPARE(dialog.findChild<QLineEdit *>("lineEditConfigName")->text(), QString("Name der neuen Scaneinstellung"));
        checkNoKeysOrEnglish(&dialog);
    }
    {
        ProgressDialog dialog(QString("Lumerith V2"), 3, nullptr, nullptr);
        QCOMPARE(dialog.findChild<QLabel *>("label")->text(),
                 QString::fromUtf8("Seite 3 wird übertragen. Abbruch mit \"Abbrechen\"."));
        QCOMPARE(dialog.findChild<QPushButton *>("pushButtonCancel")->text(), QString("Abbrechen"));
        checkNoKeysOrEnglish(&dialog);
    }
    {
        WakeUpDialog dialog(QString("Lumerith V2"), nullptr);
        QCOMPARE(dialog.findChild<QLabel *>("labelWarmingUpInfo")->text(),
                 QString::fromUtf8("Das Gerät wärmt sich auf..."));
        checkNoKeysOrEnglish(&dialog);
    }
    {
        // The cloud dialogs, with nothing started: no folder object is lent
        // to the wait dialog and the upload dialog is given no page.
        DropboxFolder folders;
        CloudFolderDialog browser(QString("Lumerith V2"));
        browser.setDropboxFolder(&folders);
        QCOMPARE(browser.windowTitle(), QString("Ordner suchen"));
        FolderNameDialog name;
        DownloadFolderDialog wait(QString("Lumerith V2"));
        UploadingDialog upload(QString("Lumerith V2"), nullptr, 4);
        for (QDialog *dialog : std::initializer_list<QDialog *>{&browser, &name, &wait, &upload})
            checkNoKeysOrEnglish(dialog);
    }
    {
        SearchScannerDialog dialog;
        auto *ok = dialog.findChild<QPushButton *>("pushButtonOK");
        // The search starts with the dialog; let it end before the dialog goes.
        QTRY_VERIFY(ok->isEnabled());
        QCOMPARE(dialog.windowTitle(), QString("Netzwerkscanner suchen"));
        QCOMPARE(dialog.findChild<QPushButton *>("pushButtonUpdate")->text(), QString("Aktualisieren"));
        auto *table = dialog.findChild<QTableWidget *>("tableWidgetIPAddress");
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QString::fromUtf8("Gerätename"));
        checkNoKeysOrEnglish(&dialog);
    }
    {
        AboutDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString::fromUtf8("Über Lumerith V2..."));
        auto *list = dialog.findChild<QListWidget *>();
        QVERIFY(list);
        QVERIFY(!list->findItems("Alle Rechte vorbehalten.", Qt::MatchExactly).isEmpty());
        checkNoKeysOrEnglish(&dialog);
    }
}

void TestTranslation::mainWindowInGerman()
{
    InstalledTranslator translator;
    QVERIFY(translator.load(QLocale("de_DE")));

    auto window = std::make_unique<MainWindow>();
    QVERIFY(window->windowTitle().startsWith("Lumerith V2"));
    QCOMPARE(window->findChild<QPushButton *>("pushButtonScan")->text(), QString("Scannen"));
    QCOMPARE(window->findChild<QPushButton *>("pushButtonPreview")->text(), QString("Vorschau"));
    QCOMPARE(window->findChild<QPushButton *>("pushButtonExit")->text(), QString("Beenden"));
    QCOMPARE(window->findChild<QGroupBox *>("groupBoxSettingFrame")->title(), QString("Scannereinstellungen"));
    auto *tabs = window->findChild<QTabWidget *>("tabWidgetSetting");
    QCOMPARE(tabs->tabText(0), QString("Allgemein"));
    QCOMPARE(tabs->tabText(2), QString("Cloud-Ziel"));
    QCOMPARE(window->findChild<QLabel *>("labelGeneralResolution")->text(), QString::fromUtf8("Auflösung:"));

    auto *source = window->findChild<QComboBox *>("comboBoxGeneralPaperSource");
    QVERIFY(source->count() >= 1);
    QCOMPARE(source->itemText(0), QString("Vorlagenglas"));
    if (source->count() > 1)
        QCOMPARE(source->itemText(1), QString("Automatischer Vorlageneinzug"));
    auto *mode = window->findChild<QComboBox *>("comboBoxGeneralScanMode");
    QVERIFY(mode->findText("Graustufen") >= 0);
    auto *size = window->findChild<QComboBox *>("comboBoxGeneralPaperSize");
    QVERIFY(size->findText("A4 (8,27\" x 11,69\")") >= 0);
    auto *services = window->findChild<QComboBox *>("comboBoxCloudService");
    QVERIFY(services->findText("Dropbox") >= 0);
    QVERIFY(services->findText("GoogleDrive") >= 0);
    // The cloud folder field names a folder on the service, not an action.
    QCOMPARE(window->findChild<QLineEdit *>("lineEditCloudFolder")->text(), QString("Scan"));

    checkNoKeysOrEnglish(window.get());
}

void TestTranslation::messagesInGerman()
{
    InstalledTranslator translator;
    QVERIFY(translator.load(QLocale("de_DE")));

    QCOMPARE(errorText(-22), QString::fromUtf8("Das Gerät ist belegt. Bitte versuchen Sie es später erneut."));
    QVERIFY(errorText(-20).startsWith("Der Scanner wurde nicht gefunden."));
    QCOMPARE(errorText(-20).count('\n'), 2);
    // Every message text has its German form.
    for (int code = -1000; code < 0; ++code) {
        const QString text = errorText(code);
        QVERIFY2(!translatedAway.contains(text), qPrintable(QString::number(code) + ": " + text));
    }

    ModalDriver driver;
    driver.answerBox(QMessageBox::NoRole);
    QCOMPARE(askQuestion(nullptr, "Information", "?", QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes),
             int(QMessageBox::No));
    driver.answerBox(QMessageBox::RejectRole);
    QCOMPARE(askQuestion(nullptr, "Information", "?", QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel),
             int(QMessageBox::Cancel));
    driver.answerBox(QMessageBox::AcceptRole);
    showErrorCode(nullptr, -43, "Information");
    QTRY_VERIFY(driver.finished());
    QCOMPARE(driver.unexpected, 0);
    QCOMPARE(driver.seen.size(), 3);
    QCOMPARE(driver.seen[0].defaultButton, QString("&Ja"));
    QCOMPARE(driver.seen[1].defaultButton, QString("Abbrechen"));
    QCOMPARE(driver.seen[2].text, errorText(-43));
    QVERIFY(driver.seen[2].text.startsWith("Auf dem Datenträger"));

    // A message raised by a dialog's own check.
    ScanConfigurationStore store;
    ConfigDialog dialog(ExposureGlass, QString(), &store);
    dialog.findChild<QLineEdit *>("lineEditConfigName")->clear();
    driver.answerBox(QMessageBox::AcceptRole);
    dialog.findChild<QPushButton *>("pushButtonSave")->click();
    QTRY_VERIFY(driver.finished());
    QCOMPARE(driver.seen.size(), 4);
    QCOMPARE(driver.seen[3].title, QString("Information"));
    QCOMPARE(driver.seen[3].text,
             QString::fromUtf8("Bitte geben Sie einen gültigen Namen für die Scankonfiguration ein."));
}

QTEST_MAIN(TestTranslation)
#include "tst_translation.moc"
