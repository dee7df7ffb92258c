#include "cloud/onedrive/onedrivelogindialog.h"
#include "ui_onedrivelogindialog.h"

#include "app/redact.h"
#include "cloud/signinview.h"

#include <QDebug>
#include <QDesktopServices>
#include <QWebEngineView>

OneDriveLoginDialog::OneDriveLoginDialog(int nCloudService, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::OneDriveLoginDialog)
    , nCloudService(nCloudService)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~(Qt::WindowContextHelpButtonHint | Qt::WindowMaximizeButtonHint));
    setWindowTitle(tr("Login OneDrive Cloud"));
    ui->labelPrompt->setText(tr("Please enter your credentials and login to OneDrive online."));
    ui->pushButtonCancel->setText(tr("Cancel"));

    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &OneDriveLoginDialog::clickedBtnCancel);
    connect(&authorization, &OneDriveAuthorization::authenticationFinished, this,
            &OneDriveLoginDialog::authenticationFinished);
    const bool bBrowser = authorization.usesSystemBrowser();
    if (bBrowser) {
        // The page is in the browser; the dialog only waits with its Cancel.
        ui->widgetWebView->hide();
        resize(480, 90);
    } else {
        prepareSignInView(ui->widgetWebView, this);
        connect(ui->widgetWebView, &QWebEngineView::urlChanged, this, &OneDriveLoginDialog::urlChangeWebPage);
    }

    const QString address = authorization.buildAuthorizeUrl();
    // The redirect must reach this dialog before the page is shown anywhere.
    if (!authorization.startRedirectServer()) {
        qDebug() << "Redirect port not available";
        nErrorCode = -200;
        bEnded = true;
        setResult(Rejected);
        return;
    }
    if (bBrowser) {
        if (!QDesktopServices::openUrl(QUrl(address)))
            qDebug() << "No web browser could be opened";
    } else {
        ui->widgetWebView->load(QUrl(address));
    }
}

OneDriveLoginDialog::~OneDriveLoginDialog()
{
    authorization.stopRedirectServer();
    delete ui;
}

int OneDriveLoginDialog::exec()
{
    if (bEnded)
        return result();
    return QDialog::exec();
}

void OneDriveLoginDialog::end(int nCode)
{
    nErrorCode = nCode;
    authorization.stopRedirectServer();
    reject();
}

void OneDriveLoginDialog::clickedBtnCancel()
{
    qDebug() << "OneDriveLoginDialog::clickedBtnCancel";
    end(-6);
}

void OneDriveLoginDialog::urlChangeWebPage(QUrl url)
{
    qDebug() << "OneDriveLoginDialog::urlChangeWebPage" << redactSecrets(url.toString());
    if (bCodeTaken || !url.toString().startsWith(authorization.redirectUri()))
        return;
    bCodeTaken = true;
    // A refused or broken redirect shows the failure page; the dialog stays
    // for Cancel, or for the exchange's answer.
    showResult(authorization.getAuthorizationCode(url) == 0);
}

void OneDriveLoginDialog::authenticationFinished(int nFlag)
{
    qDebug() << "OneDriveLoginDialog::authenticationFinished" << nFlag;
    if (nFlag != 0) {
        qDebug() << "Login failed";
        end(-200);
        return;
    }
    qDebug() << "Login success";
    authorization.stopRedirectServer();
    accept();
}

void OneDriveLoginDialog::showResult(bool bSuccess)
{
    const QString text = bSuccess
        ? tr("Lumerith V2 successfully obtained an Authorization Token to access the OneDrive in your account")
        : tr("Lumerith V2 failed to obtain an Authorization Token");
    ui->widgetWebView->setHtml(signInResultPage(tr("Lumerith V2"), text), QUrl());
}
