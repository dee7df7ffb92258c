#include "cloud/dropbox/dropboxlogindialog.h"
#include "ui_dropboxlogindialog.h"

#include "app/redact.h"

#include <QDebug>
#include <QDesktopServices>
#include <QUrl>

DropboxLoginDialog::DropboxLoginDialog(int nCloudService, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DropboxLoginDialog)
    , nCloudService(nCloudService)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~(Qt::WindowContextHelpButtonHint | Qt::WindowMaximizeButtonHint));
    setWindowTitle(tr("Login Dropbox Cloud"));
    ui->labelPrompt->setText(tr("Please enter your credentials and login to Dropbox online."));
    ui->pushButtonCancel->setText(tr("Cancel"));

    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &DropboxLoginDialog::clickedBtnCancel);
    // Direct: the verdict is the return value the loopback server waits for.
    connect(&authorization, &DropboxAuthorization::verificationToken, this, &DropboxLoginDialog::verificationToken,
            Qt::DirectConnection);
    connect(&authorization, &DropboxAuthorization::verificationFinish, this, &DropboxLoginDialog::verificationFinish);

    const QString address = authorization.buildAuthorizeUrl();
    // Listening comes first: the browser must not be sent to a redirect
    // that this dialog is not the one to receive.
    if (!authorization.startRedirectServer()) {
        qDebug() << "Redirect port not available";
        nErrorCode = -200;
        bEnded = true;
        setResult(Rejected);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl(address)))
        qDebug() << "No web browser could be opened";
}

DropboxLoginDialog::~DropboxLoginDialog()
{
    authorization.stopRedirectServer();
    delete ui;
}

int DropboxLoginDialog::exec()
{
    if (bEnded)
        return result();
    return QDialog::exec();
}

void DropboxLoginDialog::clickedBtnCancel()
{
    qDebug() << "DropboxLoginDialog::clickedBtnCancel";
    authorization.stopRedirectServer();
    nErrorCode = -6;
    reject();
}

bool DropboxLoginDialog::verificationToken(QString strUrl)
{
    qDebug() << "DropboxLoginDialog::verificationToken" << redactSecrets(strUrl);
    const int rc = authorization.finishedTokenReply(QUrl(strUrl));
    if (rc == -200)
        nErrorCode = -200;
    return rc == 0;
}

void DropboxLoginDialog::verificationFinish(bool bSuccess)
{
    qDebug() << "DropboxLoginDialog::verificationFinish" << bSuccess;
    // One verdict per sign-in; a later redirect reaches nobody.
    authorization.stopRedirectServer();
    if (!bSuccess) {
        nErrorCode = -200;
        reject();
        return;
    }
    accept();
}
