#include "app/errormessage.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QObject>
#include <QPushButton>

namespace {
// A question closed with Escape or the window's close button is closed, not
// answered: a plain message box would press its only No-role button.
class QuestionBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->matches(QKeySequence::Cancel)) {
            reject();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

    void closeEvent(QCloseEvent *event) override
    {
        QDialog::closeEvent(event);
    }
};

int showBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(parent);
    box.setIcon(icon);
    box.setWindowTitle(title);
    box.setText(text);
    box.addButton(QObject::tr("OK"), QMessageBox::AcceptRole);
    return box.exec();
}
} // namespace

// Message texts are translated in the generic context "QObject".
QString errorText(int nErrorCode)
{
    switch (nErrorCode) {
    case -2: return QObject::tr("An original(s) has become jammed. Please open the ADF cover and remove it.");
    case -4: return QObject::tr("An error occurred while the machine was waking up. Please check the machine and try again.");
    case -5: return QObject::tr("The ADF tray is empty. Please check there is an original in the ADF tray and that it is set correctly.");
    case -20: return QObject::tr("Cannot find the scanner. Please check the following:\n(1) The power cord is attached and the power switch is turned to on.\n(2) The USB or network cable is securely attached.");
    case -21:
    case -31: return QObject::tr("The scanner is not ready. Please check the cables and power connections.");
    case -22: return QObject::tr("The machine is busy. Please try again later.");
    case -32: return QObject::tr("Failed to get image data from the device because of a timeout error.");
    case -34: return QObject::tr("Please select a machine.");
    case -40: return QObject::tr("A parameter setting error has occurred.");
    case -41: return QObject::tr("Usable memory is low. Please close other applications and then try again.");
    case -43: return QObject::tr("There is not enough space available on the disk(s) to complete this operation.");
    case -52: return QObject::tr("The file path name of the image file is invalid.");
    case -54: return QObject::tr("Failed to save. The maximum number of pages for the one scan operation is 999 pages.");
    case -55: return QObject::tr("Failed to save the image file.");
    case -56: return QObject::tr("The specified path or file name, or both, is too long. Please use a shorter file name, or select a destination folder which has a shorter path name.");
    case -111: return QObject::tr("Failed to turn on the machine.");
    case -200: return QObject::tr("User authentication failed.");
    case -203: return QObject::tr("A network exception occurred, the current operation will be terminated.");
    case -205: return QObject::tr("Folder creation failed.");
    case -206: return QObject::tr("Refresh folder error.");
    case -207: return QObject::tr("Please select a note.");
    case -208:
    case -213: return QObject::tr("Invalid URI: The format of the URI could not be determined.");
    case -209:
    case -212: return QObject::tr("There was an error in the network or cloud service that can not be solved with this application. The operation is stopped.\nIf you want to save the file to the local disk, please enable 'Save to Local Disk' the next time you operate.");
    case -210: return QObject::tr("Upload file error.");
    case -211: return QObject::tr("Since the capacity of the cloud storage is not available, the operation is stopped. If you want to save the file to the local disk, please enable 'Save to Local Disk' the next time you operate.");
    case -214: return QObject::tr("Failed to retrieve subfolders.");
    case -215: return QObject::tr("Server was unable to process request. Access is denied.");
    case -216: return QObject::tr("Failed to save the image file to the specified path.");
    case -217: return QObject::tr("Upload file error. The note you are currently working on has just put you over your monthly upload limit.");
    case -218: return QObject::tr("Upload file error. Your note has reached the maximum size limit.");
    case -999: return QObject::tr("An error has occurred.");
    default: return QString();
    }
}

bool isSilentErrorCode(int nErrorCode)
{
    return nErrorCode == 0 || nErrorCode == -6 || nErrorCode == -150;
}

int showErrorCode(QWidget *parent, int nErrorCode, const QString &title)
{
    if (isSilentErrorCode(nErrorCode))
        return 0;
    return showBox(parent, QMessageBox::Critical, title, errorText(nErrorCode));
}

int showCritical(QWidget *parent, const QString &title, const QString &text)
{
    return showBox(parent, QMessageBox::Critical, title, text);
}

int showWarning(QWidget *parent, const QString &title, const QString &text)
{
    return showBox(parent, QMessageBox::Warning, title, text);
}

int askQuestion(QWidget *parent, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QuestionBox box(parent);
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(title);
    box.setText(text);

    QPushButton *accept = nullptr;
    QPushButton *decline = nullptr;
    const bool okCancel = (buttons & (QMessageBox::Ok | QMessageBox::Cancel)) == (QMessageBox::Ok | QMessageBox::Cancel);
    int acceptValue, declineValue, otherValue;
    if (okCancel) {
        accept = box.addButton(QObject::tr("OK"), QMessageBox::AcceptRole);
        decline = box.addButton(QObject::tr("Cancel"), QMessageBox::RejectRole);
        acceptValue = QMessageBox::Ok;
        declineValue = QMessageBox::Cancel;
        otherValue = QMessageBox::Cancel;
        if (defaultButton & QMessageBox::Ok)
            box.setDefaultButton(accept);
        else if (defaultButton & QMessageBox::Cancel)
            box.setDefaultButton(decline);
    } else {
        accept = box.addButton(QObject::tr("&Yes"), QMessageBox::YesRole);
        decline = box.addButton(QObject::tr("&No"), QMessageBox::NoRole);
        acceptValue = QMessageBox::Yes;
        declineValue = QMessageBox::No;
        otherValue = QMessageBox::Cancel;
        if (defaultButton & QMessageBox::Yes) {
            box.setDefaultButton(accept);
        } else if (defaultButton & QMessageBox::No) {
            box.setDefaultButton(decline);
        } else {
            // Without a default, Enter answers nothing (it would press the
            // focused button, which is Yes).
            accept->setAutoDefault(false);
            decline->setAutoDefault(false);
        }
    }
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    if (clicked == accept)
        return acceptValue;
    if (clicked == decline)
        return declineValue;
    return otherValue;
}
