#include "cloud/google/googlelogindialog.h"
#include "ui_googlelogindialog.h"

#include "app/redact.h"
#include "cloud/signinview.h"

#include <QDebug>
#include <QDesktopServices>
#include <QWebEngineView>

GoogleLoginDialog::GoogleLoginDialog(int nCloudService, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::GoogleLoginDialog)
    , nCloudService(nCloudService)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~(Qt::WindowContextHelpButtonHint | Qt::WindowMaximizeButtonHint));
    setWindowTitle(tr("Login GoogleDrive Cloud"));
    ui->labelPrompt->setText(tr("Please enter your credentials and login to Google online."));
    ui->pushButtonCancel->setText(tr("Cancel"));

    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &GoogleLoginDialog::clickedBtnCancel);
    connect(&authorization, &GoogleAuthorization::authenticationFinished, this,
            &GoogleLoginDialog::authenticationFinished);
    const bool bBrowser = authorization.usesSystemBrowser();
    if (bBrowser) {
        // The page is in the browser; the dialog only waits with its Cancel.
        ui->widgetWebView->hide();
        resize(480, 90);
    } else {
        prepareSignInView(ui->widgetWebView, this);
        connect(ui->widgetWebView, &QWebEngineView::urlChanged, this, &GoogleLoginDialog::urlChangeWebPage);
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

GoogleLoginDialog::~GoogleLoginDialog()
{
    authorization.stopRedirectServer();
    delete ui;
}

int GoogleLoginDialog::exec()
{
    if (bEnded)
        return result();
    return QDialog::exec();
}

void GoogleLoginDialog::end(int nCode)
{
    nErrorCode = nCode;
    authorization.stopRedirectServer();
    reject();
}

void GoogleLoginDialog::clickedBtnCancel()
{
    qDebug() << "GoogleLoginDialog::clickedBtnCancel";
    end(-6);
}

void GoogleLoginDialog::urlChangeWebPage(QUrl url)
{
    qDebug() << "GoogleLoginDialog::urlChangeWebPage" << redactSecrets(url.toString());
    if (bCodeTaken || !url.toString().startsWith(authorization.redirectUri()))
        return;
    bCodeTaken = true;
    // A refused or broken redirect shows the failure page; the dialog stays
    // for Cancel, or for the exchange's answer.
    showResult(authorization.getAuthorizationCode(url) == 0);
}

void GoogleLoginDialog::authenticationFinished(int nFlag)
{
    qDebug() << "GoogleLoginDialog::authenticationFinished" << nFlag;
    if (nFlag != 0) {
        qDebug() << "Login failed";
        end(-200);
        return;
    }
    qDebug() << "Login success";
    authorization.stopRedirectServer();
    accept();
}

void GoogleLoginDialog::showResult(bool bSuccess)
{
    const QString text = bSuccess
        ? tr("Lumerith V2 successfully obtained an Authorization Token to access your Google account")
        : tr("Lumerith V2 failed to obtain an Authorization Token");
    ui->widgetWebView->setHtml(signInResultPage(tr("Lumerith V2"), text), QUrl());
}
