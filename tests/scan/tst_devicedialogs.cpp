// The scanner selection and network search dialogs against the simulated
// scanner's device lists.
#include "simdevice.h"
#include "ui/modaldriver.h"
#include "testsupport.h"

#include "scan/devicelists.h"
#include "scan/searchscannerdialog.h"
#include "scan/selectdevicedialog.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {
// A device that is none of the simulated ones, to see what a dialog changes.
void setMarkerDevice()
{
    deviceLists().setDevice(0, 0, 42, "marker-port", "Marker");
}
} // namespace

class TestDeviceDialogs : public QObject
{
    Q_OBJECT

private:
    SimDevice sim;

    // Types an address for "Connect Scanner" and presses OK. Returns whether
    // the dialog accepted.
    static bool typeAddress(SelectDeviceDialog &dialog, const QString &address)
    {
        QComboBox *devices = child<QComboBox>(&dialog, "comboBoxDevice");
        devices->setCurrentIndex(devices->findData(SelectDeviceDialog::ConnectScannerItem));
        QLineEdit *edit = child<QLineEdit>(&dialog, "lineEditIPAddress");
        edit->setText(address);
        QTest::mouseClick(child<QPushButton>(&dialog, "pushButtonOK"), Qt::LeftButton);
        return dialog.result() == QDialog::Accepted;
    }

private slots:
    void init() { setMarkerDevice(); }

    void selectionDialogLists()
    {
        SelectDeviceDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Scanner Driver Selection"));
        QCOMPARE(dialog.size(), QSize(533, 185));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QCOMPARE(child<QLabel>(&dialog, "labelDevice")->text(), QString("Please select a scanner driver:"));
        QComboBox *devices = child<QComboBox>(&dialog, "comboBoxDevice");
        QCOMPARE(devices->count(), 2);
        QCOMPARE(devices->itemText(0), QString("USB, SimScan 3000"));
        QCOMPARE(devices->itemData(0).toInt(), 0);
        QCOMPARE(devices->itemText(1), QString("Connect Scanner"));
        QCOMPARE(devices->itemData(1).toInt(), 999);
        QCOMPARE(devices->currentIndex(), 0);
        QLineEdit *address = child<QLineEdit>(&dialog, "lineEditIPAddress");
        QVERIFY(!address->isEnabled());
        QCOMPARE(address->maxLength(), 43);
        devices->setCurrentIndex(1);
        QVERIFY(address->isEnabled());
        devices->setCurrentIndex(0);
        QVERIFY(!address->isEnabled());
    }

    void usbChoiceBecomesCurrent()
    {
        SelectDeviceDialog dialog;
        dialog.show();
        QTest::mouseClick(child<QPushButton>(&dialog, "pushButtonOK"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const DeviceRecord d = deviceLists().currentDevice();
        QCOMPARE(d.portNameText(), QString("simusb-0001"));
        QCOMPARE(d.projectId, 3000);
        QCOMPARE(int(d.deviceType), 0);
        QCOMPARE(d.modelText(), QString("SimScan 3000"));
    }

    void typedAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        const QString invalid = "The entered IP address is invalid.";
        // An empty text is refused before the engine is asked: asking would
        // have given the other message.
        QTest::newRow("empty") << "" << invalid;
        QTest::newRow("blank") << "   " << invalid;
        QTest::newRow("not an address") << "scanner.local" << invalid;
        // Shorthand forms that resolvers read as 127.0.0.1 or as other machines.
        QTest::newRow("shorthand") << "127.1" << invalid;
        QTest::newRow("leading zeros") << "127.000.000.001" << invalid;
        QTest::newRow("hexadecimal") << "0x7f.0.0.1" << invalid;
        QTest::newRow("unreachable") << "127.0.0.2" << "Failed to connect to the specified machine in the network.";
        QTest::newRow("unreachable IPv6") << "::2" << "Failed to connect to the specified machine in the network.";
        QTest::newRow("simulated machine") << "127.0.0.1" << QString();
        QTest::newRow("simulated machine, spaces") << " 127.0.0.1 " << QString();
    }

    void typedAddresses()
    {
        QFETCH(QString, address);
        QFETCH(QString, message);
        SelectDeviceDialog dialog;
        dialog.show();
        ModalDriver driver;
        if (!message.isEmpty())
            driver.answerBox(QMessageBox::AcceptRole);
        const bool accepted = typeAddress(dialog, address);
        QTRY_VERIFY(driver.finished());
        QCOMPARE(driver.unexpected, 0);
        const DeviceRecord d = deviceLists().currentDevice();
        if (!message.isEmpty()) {
            QVERIFY(!accepted);
            QVERIFY(dialog.isVisible());
            QCOMPARE(driver.seen.size(), 1);
            QCOMPARE(driver.seen.at(0).title, QString("Information"));
            QCOMPARE(driver.seen.at(0).text, message);
            QCOMPARE(driver.seen.at(0).icon, QMessageBox::Critical);
            QCOMPARE(child<QLineEdit>(&dialog, "lineEditIPAddress")->selectedText(), address);
            QCOMPARE(d.portNameText(), QString("marker-port"));
            return;
        }
        QVERIFY(accepted);
        QCOMPARE(driver.seen.size(), 0);
        QCOMPARE(int(d.deviceType), 1);
        QCOMPARE(d.portNameText(), QString("127.0.0.1"));
        QCOMPARE(d.aliasText(), QString("127.0.0.1"));
        QCOMPARE(d.modelText(), QString("SimScan 3100N"));
        QCOMPARE(d.projectId, 3100);
        QCOMPARE(int(d.paperSourceBits), 134);
    }

    void cancelKeepsTheDevice()
    {
        SelectDeviceDialog dialog;
        dialog.show();
        QTest::mouseClick(child<QPushButton>(&dialog, "pushButtonCancel"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(deviceLists().currentDevice().portNameText(), QString("marker-port"));
    }

    void searchDialogFindsBothFamilies()
    {
        SearchScannerDialog dialog;
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("Search Network Scanner"));
        QCOMPARE(dialog.size(), QSize(437, 248));
        QPushButton *ok = child<QPushButton>(&dialog, "pushButtonOK");
        QPushButton *update = child<QPushButton>(&dialog, "pushButtonUpdate");
        QTableWidget *table = child<QTableWidget>(&dialog, "tableWidgetIPAddress");
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QString("Machine Name"));
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QString("IP Address"));

        // The search starts at once; it cannot be closed until it has ended.
        QVERIFY(!ok->isEnabled());
        QVERIFY(!update->isEnabled());
        QVERIFY(!child<QPushButton>(&dialog, "pushButtonCancel")->isEnabled());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.reject();
        QVERIFY(dialog.isVisible());

        QTRY_VERIFY_WITH_TIMEOUT(ok->isEnabled(), 30000);
        QVERIFY(update->isEnabled());
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 0)->text(), QString("SimScan 3100N"));
        QCOMPARE(table->item(0, 1)->text(), QString("127.0.0.1"));
        QCOMPARE(table->item(1, 0)->text(), QString("SimScan 3200N"));
        QCOMPARE(table->item(1, 1)->text(), QString("::1"));
        QCOMPARE(table->currentRow(), 0);
        QCOMPARE(table->selectedItems().size(), 2);
        QCOMPARE(deviceLists().currentDevice().portNameText(), QString("marker-port"));

        // Update empties the table before searching again.
        QTest::mouseClick(update, Qt::LeftButton);
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(!ok->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(ok->isEnabled(), 30000);
        QCOMPARE(table->rowCount(), 2);

        // OK without a row.
        ModalDriver driver;
        driver.answerBox(QMessageBox::AcceptRole);
        table->clearSelection();
        QTest::mouseClick(ok, Qt::LeftButton);
        QTRY_VERIFY(driver.finished());
        QCOMPARE(driver.seen.size(), 1);
        QCOMPARE(driver.seen.at(0).text, QString("Please select a machine."));
        QCOMPARE(driver.seen.at(0).title, QString("Information"));
        QCOMPARE(driver.seen.at(0).icon, QMessageBox::Warning);
        QVERIFY(dialog.isVisible());
        QCOMPARE(deviceLists().currentDevice().portNameText(), QString("marker-port"));

        // The second row becomes the current device.
        table->selectRow(1);
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const DeviceRecord d = deviceLists().currentDevice();
        QCOMPARE(d.portNameText(), QString("::1"));
        QCOMPARE(d.modelText(), QString("SimScan 3200N"));
        QCOMPARE(d.projectId, 3200);
    }

    void searchWithoutAnAnswerEnds_data()
    {
        QTest::addColumn<QString>("discoveryTime");
        QTest::newRow("never answers") << "-1";
        QTest::newRow("answers late") << "600";
    }

    void searchWithoutAnAnswerEnds()
    {
        QFETCH(QString, discoveryTime);
        sim.configure({{"DiscoveryTime", discoveryTime}});
        SearchScannerDialog::setSearchLimit(400);
        {
            QMutexLocker lock(&g_logMutex);
            g_log.clear();
        }
        const QtMessageHandler previous = qInstallMessageHandler(captureLog);
        {
            SearchScannerDialog dialog;
            dialog.show();
            QPushButton *ok = child<QPushButton>(&dialog, "pushButtonOK");
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(dialog.isVisible());
            // Given up on: as if nothing was found, and the window works again.
            QTRY_VERIFY_WITH_TIMEOUT(ok->isEnabled(), 5000);
            QCOMPARE(child<QTableWidget>(&dialog, "tableWidgetIPAddress")->rowCount(), 0);
            QVERIFY(!QApplication::overrideCursor());
            if (discoveryTime != "-1") {
                // Both calls answer after 1.2 s; the answer finds the dialog idle and is dropped.
                QTRY_VERIFY_WITH_TIMEOUT(logged("Late answer dropped"), 5000);
                QCOMPARE(child<QTableWidget>(&dialog, "tableWidgetIPAddress")->rowCount(), 0);
                QCOMPARE(deviceLists().count(NetworkDevices), 0);
            }
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        }
        qInstallMessageHandler(previous);
        SearchScannerDialog::setSearchLimit(SearchScannerDialog::kSearchLimitMs);
        sim.configure({});
    }

    void searchFromTheSelection_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("accepted search accepts the selection") << true;
        QTest::newRow("rejected search keeps the selection open") << false;
    }

    void searchFromTheSelection()
    {
        QFETCH(bool, accept);
        SelectDeviceDialog selection;
        ModalDriver driver;
        QTimer poll;
        driver.then([&](QWidget *w) { click(child<QPushButton>(w, "pushButtonSearchDevices")); });
        // OK or Cancel of the search, as soon as the search lets it be pressed.
        driver.then([&](QWidget *w) {
            QPushButton *button = child<QPushButton>(w, accept ? "pushButtonOK" : "pushButtonCancel");
            poll.setInterval(10);
            connect(&poll, &QTimer::timeout, button, [&poll, button] {
                if (!button->isEnabled())
                    return;
                poll.stop();
                button->click();
            });
            poll.start();
        });
        // Back in the selection dialog after the search was cancelled: Cancel there too.
        if (!accept)
            driver.then([&](QWidget *w) { click(child<QPushButton>(w, "pushButtonCancel")); });
        const int result = selection.exec();
        QStringList met;
        for (const auto &s : driver.seen)
            met << s.className + ":" + s.text;
        QVERIFY2(result == (accept ? QDialog::Accepted : QDialog::Rejected), qPrintable(met.join(" | ")));
        QVERIFY(driver.finished());
        QCOMPARE(driver.unexpected, 0);
        QCOMPARE(driver.seen.size(), accept ? 2 : 3);
        QCOMPARE(driver.seen.at(1).title, QString("Search Network Scanner"));
        QCOMPARE(deviceLists().currentDevice().portNameText(), QString(accept ? "127.0.0.1" : "marker-port"));
        if (accept)
            QCOMPARE(deviceLists().currentDevice().modelText(), QString("SimScan 3100N"));
    }
};

QTEST_MAIN(TestDeviceDialogs)
#include "tst_devicedialogs.moc"
