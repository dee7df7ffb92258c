// Drives an installed copy of the program the way a user would, for
// tst_package.sh. Loaded into it with LD_PRELOAD; does nothing unless
// LUMERITH_DRIVER_REPORT names a report file.
//
//   main window shown ("button:" the Select Machine text) --> Select Machine
//   --> scanner dialog ("device:" per entry) --> first entry, OK
//   --> ("title:") local tab, LUMERITH_DRIVER_FOLDER, Scan --> job ended
//   --> close the window --> "done"
//
// A message box on the way is reported ("box:") and accepted; after two
// minutes without reaching the end the program exits with code 2.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace {

class InstallDriver : public QObject
{
public:
    InstallDriver(const QString &reportPath, const QString &folder)
        : QObject(QCoreApplication::instance())
        , report(reportPath)
        , scanFolder(folder)
        , deadline(120000)
    {
        report.open(QIODevice::WriteOnly | QIODevice::Truncate);
        connect(&timer, &QTimer::timeout, this, [this] { poll(); });
        timer.start(100);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange && !static_cast<QWidget *>(watched)->isEnabled())
            scanStarted = true;
        return false;
    }

private:
    enum Step { WaitForWindow, ChooseScanner, StartScan, WaitForScan, Finished };

    void write(const QString &line)
    {
        report.write(line.toUtf8() + '\n');
        report.flush();
    }

    static QMainWindow *mainWindow()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *window = qobject_cast<QMainWindow *>(w); window && window->isVisible())
                return window;
        }
        return nullptr;
    }

    template <typename T> static T *child(QWidget *parent, const char *name)
    {
        return parent ? parent->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    }

    // Clicks from the event loop, so a dialog it opens never blocks the poll.
    static void click(QAbstractButton *button)
    {
        QTimer::singleShot(0, button, [button] { button->click(); });
    }

    bool idle(QMainWindow *window) const
    {
        QWidget *central = window ? window->centralWidget() : nullptr;
        return central && central->isEnabled() && !QApplication::activeModalWidget();
    }

    void poll()
    {
        if (deadline.hasExpired()) {
            write(QString("timeout: step %1").arg(step));
            timer.stop();
            QCoreApplication::exit(2);
            return;
        }
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            if (box->property("reported").toBool())
                return;
            box->setProperty("reported", true);
            write("box: " + box->text());
            if (QAbstractButton *ok = box->buttons().value(0))
                click(ok);
            return;
        }
        QMainWindow *window = mainWindow();
        switch (step) {
        case WaitForWindow:
            if (!idle(window))
                return;
            if (QPushButton *devices = child<QPushButton>(window, "pushButtonGeneralDevices")) {
                write("button: " + devices->text());
                click(devices);
                step = ChooseScanner;
            }
            return;
        case ChooseScanner:
            chooseScanner();
            return;
        case StartScan:
            if (!idle(window))
                return;
            write("title: " + window->windowTitle());
            startScan(window);
            return;
        case WaitForScan:
            if (!scanStarted || !idle(window))
                return;
            write("done");
            step = Finished;
            timer.stop();
            window->close();
            return;
        case Finished:
            return;
        }
    }

    void chooseScanner()
    {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || qstrcmp(dialog->metaObject()->className(), "SelectDeviceDialog") != 0)
            return;
        QComboBox *devices = child<QComboBox>(dialog, "comboBoxDevice");
        QPushButton *ok = child<QPushButton>(dialog, "pushButtonOK");
        if (!devices || !ok)
            return;
        for (int i = 0; i < devices->count(); ++i)
            write("device: " + devices->itemText(i));
        // The last entry is the one for typing an address; the first is a scanner if any is.
        devices->setCurrentIndex(0);
        click(ok);
        step = StartScan;
    }

    void startScan(QMainWindow *window)
    {
        auto *folder = child<QLineEdit>(window, "lineEditManagerFolder");
        auto *tabs = child<QTabWidget>(window, "tabWidgetSetting");
        auto *scan = child<QPushButton>(window, "pushButtonScan");
        if (!folder || !tabs || !scan) {
            write("missing: local tab controls");
            QCoreApplication::exit(2);
            return;
        }
        folder->setText(QDir::toNativeSeparators(scanFolder));
        tabs->setCurrentIndex(1);
        // A short job may start and end between two polls.
        window->centralWidget()->installEventFilter(this);
        click(scan);
        step = WaitForScan;
    }

    QFile report;
    QString scanFolder;
    QDeadlineTimer deadline;
    QTimer timer;
    Step step = WaitForWindow;
    bool scanStarted = false;
};

void startDriver()
{
    const QString reportPath = qEnvironmentVariable("LUMERITH_DRIVER_REPORT");
    if (reportPath.isEmpty())
        return;
    // Timers need the running application; start once its loop does.
    QTimer::singleShot(0, QCoreApplication::instance(), [reportPath] {
        new InstallDriver(reportPath, qEnvironmentVariable("LUMERITH_DRIVER_FOLDER"));
    });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startDriver)
