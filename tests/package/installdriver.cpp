// Drives an installed copy of the program the way a user would, for
// tst_package.sh. Loaded into it with LD_PRELOAD; does nothing unless
// LUMERITH_DRIVER_REPORT names a report file.
//
//   main window idle ("button:" the Select Machine text) --> Select Machine
//   --> scanner dialog ("device:" per entry) --> first entry, OK
//   --> ("title:") local tab, LUMERITH_DRIVER_FOLDER, Scan --> job ended
//   --> "done", close the window
//
// A message box on the way is reported ("box:") and ends the program with
// code 3; two minutes without reaching the end end it with code 2.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
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
    // A short job may start and end between two polls.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange && !static_cast<QWidget *>(watched)->isEnabled())
            scanStarted = true;
        return false;
    }

private:
    enum Step { WaitForWindow, ChooseScanner, StartScan, WaitForScan };

    void write(const QString &line)
    {
        report.write(line.toUtf8() + '\n');
        report.flush();
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

    static QMainWindow *idleMainWindow()
    {
        if (QApplication::activeModalWidget())
            return nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *window = qobject_cast<QMainWindow *>(w);
            if (window && window->isVisible() && window->centralWidget() && window->centralWidget()->isEnabled())
                return window;
        }
        return nullptr;
    }

    void poll()
    {
        if (deadline.hasExpired()) {
            write(QString("timeout: step %1").arg(step));
            timer.stop();
            QCoreApplication::exit(2);
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            write("box: " + box->text());
            timer.stop();
            QCoreApplication::exit(3);
            return;
        }
        QMainWindow *window = idleMainWindow();
        switch (step) {
        case WaitForWindow:
            if (auto *devices = child<QPushButton>(window, "pushButtonGeneralDevices")) {
                write("button: " + devices->text());
                click(devices);
                step = ChooseScanner;
            }
            return;
        case ChooseScanner: {
            auto *devices = child<QComboBox>(modal, "comboBoxDevice");
            auto *ok = child<QPushButton>(modal, "pushButtonOK");
            if (!devices || !ok)
                return;
            for (int i = 0; i < devices->count(); ++i)
                write("device: " + devices->itemText(i));
            // The last entry is for typing an address; the first is a scanner if any is.
            devices->setCurrentIndex(0);
            click(ok);
            step = StartScan;
            return;
        }
        case StartScan: {
            auto *folder = child<QLineEdit>(window, "lineEditManagerFolder");
            auto *tabs = child<QTabWidget>(window, "tabWidgetSetting");
            auto *scan = child<QPushButton>(window, "pushButtonScan");
            if (!folder || !tabs || !scan)
                return;
            write("title: " + window->windowTitle());
            folder->setText(scanFolder);
            tabs->setCurrentIndex(1);
            window->centralWidget()->installEventFilter(this);
            click(scan);
            step = WaitForScan;
            return;
        }
        case WaitForScan:
            if (!scanStarted || !window)
                return;
            write("done");
            timer.stop();
            window->close();
            return;
        }
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
    // Runs inside the application object's constructor: start once its loop does.
    QTimer::singleShot(0, QCoreApplication::instance(), [reportPath] {
        new InstallDriver(reportPath, qEnvironmentVariable("LUMERITH_DRIVER_FOLDER"));
    });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startDriver)
