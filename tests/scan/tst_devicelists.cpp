#include "app/configfile.h"
#include "app/globals.h"
#include "scan/devicelists.h"

#include <QTemporaryDir>
#include <QtTest>

class TestDeviceLists : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        configFile().strUIConfig = dir.filePath("user.ini");
    }

    void init()
    {
        deviceLists().clearDeviceLists(0);
    }

    void usbEntryWithTrailingSeparator()
    {
        DeviceLists &lists = deviceLists();
        lists.parseDeviceList(UsbDevices, "0,6,17,USB001,Model A;");
        QCOMPARE(lists.count(UsbDevices), 1);
        QCOMPARE(lists.count(NetworkDevices), 0);
        DeviceRecord r;
        QVERIFY(lists.deviceAt(0, UsbDevices, r));
        QCOMPARE(r.deviceType, quint8(0));
        QCOMPARE(r.paperSourceBits, quint8(6));
        QCOMPARE(r.projectId, 17);
        QCOMPARE(r.portNameText(), QString("USB001"));
        QCOMPARE(r.modelText(), QString("Model A"));
        QCOMPARE(r.aliasText(), QString("USB, Model A"));
        QVERIFY(!lists.deviceAt(1, UsbDevices, r));
        QVERIFY(!lists.deviceAt(-1, UsbDevices, r));
    }

    void malformedEntriesAreSkipped()
    {
        DeviceLists &lists = deviceLists();
        lists.parseDeviceList(NetworkDevices, "1,2,3,10.0.0.1;;x,y,z,10.0.0.2,Model B,extra,fields;1,134,9,::1,Model C");
        QCOMPARE(lists.count(NetworkDevices), 2);
        DeviceRecord r;
        QVERIFY(lists.deviceAt(0, NetworkDevices, r));
        // Non-numbers read as 0; fields past the fifth are ignored.
        QCOMPARE(r.deviceType, quint8(0));
        QCOMPARE(r.projectId, 0);
        QCOMPARE(r.portNameText(), QString("10.0.0.2"));
        QCOMPARE(r.aliasText(), QString("10.0.0.2"));
        QCOMPARE(r.modelText(), QString("Model B"));
        QVERIFY(lists.deviceAt(1, NetworkDevices, r));
        QCOMPARE(r.portNameText(), QString("::1"));
        lists.parseDeviceList(NetworkDevices, "");
        QCOMPARE(lists.count(NetworkDevices), 2);
    }

    void overlongFieldsAreCut()
    {
        DeviceLists &lists = deviceLists();
        const QString port(400, 'p');
        const QString model(100, 'm');
        lists.parseDeviceList(UsbDevices, QString("0,0,1,%1,%2").arg(port, model));
        DeviceRecord r;
        QVERIFY(lists.deviceAt(0, UsbDevices, r));
        QCOMPARE(r.portNameText(), QString(255, 'p'));
        QCOMPARE(r.modelText(), QString(63, 'm'));
        QCOMPARE(r.aliasText().size(), 63);
        QVERIFY(r.aliasText().startsWith("USB, mmm"));
    }

    void clearingNetworkKeepsUsb()
    {
        DeviceLists &lists = deviceLists();
        lists.parseDeviceList(UsbDevices, "0,0,1,USB1,A");
        lists.parseDeviceList(NetworkDevices, "1,0,2,1.2.3.4,B");
        lists.clearDeviceLists(1);
        QCOMPARE(lists.count(UsbDevices), 1);
        QCOMPARE(lists.count(NetworkDevices), 0);
        lists.parseDeviceList(NetworkDevices, "1,0,2,1.2.3.4,B");
        lists.clearDeviceLists(2);
        QCOMPARE(lists.count(UsbDevices), 0);
        QCOMPARE(lists.count(NetworkDevices), 0);
    }

    void selectAndSetDevice()
    {
        DeviceLists &lists = deviceLists();
        lists.parseDeviceList(UsbDevices, "0,134,5,USB1,A");
        lists.parseDeviceList(NetworkDevices, "1,130,6,1.2.3.4,B");
        lists.selectDevice(0, NetworkDevices);
        QCOMPARE(lists.currentDevice().portNameText(), QString("1.2.3.4"));
        lists.selectDevice(0, UsbDevices);
        QCOMPARE(lists.currentDevice().projectId, 5);

        lists.setDevice(0, 0x86, 42, "USB9", "Model Z");
        QCOMPARE(lists.currentDevice().aliasText(), QString("USB"));
        lists.setDevice(1, 0x86, 42, "192.168.7.7", "Model Z");
        QCOMPARE(lists.currentDevice().aliasText(), QString("192.168.7.7"));
        QCOMPARE(lists.currentDevice().modelText(), QString("Model Z"));
    }

    void portSettingsRoundTrip()
    {
        DeviceLists &lists = deviceLists();
        lists.setDevice(1, 0x86, 1002, "127.0.0.1", QString::fromUtf8("Modèl"));
        lists.savePortSettings();
        lists.setDevice(0, 0, 0, "", "");
        lists.loadPortSettings();
        const DeviceRecord r = lists.currentDevice();
        QCOMPARE(r.deviceType, quint8(1));
        QCOMPARE(r.paperSourceBits, quint8(0x86));
        QCOMPARE(r.projectId, 1002);
        QCOMPARE(r.portNameText(), QString("127.0.0.1"));
        QCOMPARE(r.aliasText(), QString("127.0.0.1"));
        QCOMPARE(r.modelText(), QString::fromUtf8("Modèl"));
    }

    void storedDeviceTypeIsCorrected()
    {
        {
            UserSettings s(configFile().uiConfigFile());
            s.setValue("Port/DeviceType", 5);
        }
        deviceLists().loadPortSettings();
        QCOMPARE(deviceLists().currentDevice().deviceType, quint8(2));
        {
            UserSettings s(configFile().uiConfigFile());
            s.remove("Port");
        }
        deviceLists().loadPortSettings();
        const DeviceRecord r = deviceLists().currentDevice();
        QCOMPARE(r.deviceType, quint8(2));
        QCOMPARE(r.paperSourceBits, quint8(0));
        QVERIFY(r.portNameText().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDeviceLists)
#include "tst_devicelists.moc"
