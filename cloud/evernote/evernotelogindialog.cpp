#include "cloud/evernote/evernotelogindialog.h"
#include "ui_evernotelogindialog.h"

#include "app/redact.h"
#include "cloud/signinview.h"

#include <QDebug>
#include <QWebEngineView>

EvernoteLoginDialog::EvernoteLoginDialog(int nCloudService, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::EvernoteLoginDialog)
    , nCloudService(nCloudService)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~(Qt::WindowContextHelpButtonHint | Qt::WindowMaximizeButtonHint));
    setWindowTitle(tr("Login Evernote Cloud"));
    ui->labelPrompt->setText(tr("Please enter your credentials and login to Evernote online."));
    ui->pushButtonCancel->setText(tr("Cancel"));
    prepareSignInView(ui->widgetWebView, this);

    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &EvernoteLoginDialog::clickedBtnCancel);
    connect(&authorization, &EvernoteAuthorization::generateTemporaryToken, this,
            &EvernoteLoginDialog::generateAccessURL);
    connect(&authorization, &EvernoteAuthorization::authenticationFinished, this,
            &EvernoteLoginDialog::authenticationFinished);
    connect(ui->widgetWebView, &QWebEngineView::urlChanged, this, &EvernoteLoginDialog::urlChangeWebPage);

    // The redirect must reach this dialog before the service is asked for anything.
    if (!authorization.startRedirectServer()) {
        qDebug() << "Redirect port not available";
        nErrorCode = -200;
        bEnded = true;
        setResult(Rejected);
        return;
    }
    authorization.requestTemporaryToken();
}

EvernoteLoginDialog::~EvernoteLoginDialog()
{
    authorization.stopRedirectServer();
    delete ui;
}

int EvernoteLoginDialog::exec()
{
    if (bEnded)
        return result();
    return QDialog::exec();
}

void EvernoteLoginDialog::end(int nCode)
{
    nErrorCode = nCode;
    authorization.stopRedirectServer();
    reject();
}

void EvernoteLoginDialog::clickedBtnCancel()
{
    qDebug() << "EvernoteLoginDialog::clickedBtnCancel";
    end(-6);
}

void EvernoteLoginDialog::generateAccessURL(int nErrorCode, QString strURL)
{
    qDebug() << "EvernoteLoginDialog::generateAccessURL" << nErrorCode;
    if (nErrorCode != 0) {
        end(-203);
        return;
    }
    ui->widgetWebView->load(QUrl(strURL));
}

void EvernoteLoginDialog::urlChangeWebPage(QUrl url)
{
    qDebug() << "EvernoteLoginDialog::urlChangeWebPage";
    qDebug() << redactSecrets(url.toString());
    if (bCodeTaken)
        return;
    const int rc = authorization.getAuthorizationCode(url);
    if (rc == -204)
        return; // not the redirect
    bCodeTaken = true;
    if (rc == 0) {
        showResult(true); // the token exchange answers through authenticationFinished
        return;
    }
    showResult(false);
    end(-200);
}

void EvernoteLoginDialog::authenticationFinished(int nErrorCode)
{
    qDebug() << "EvernoteLoginDialog::authenticationFinished" << nErrorCode;
    if (nErrorCode != 0) {
        qDebug() << "Login failed";
        end(-200);
        return;
    }
    qDebug() << "Login success";
    authorization.stopRedirectServer();
    accept();
}

void EvernoteLoginDialog::showResult(bool bSuccess)
{
    const QString text = bSuccess
        ? tr("Lumerith V2 successfully obtained an Authorization Token to access your Evernote account")
        : tr("Lumerith V2 failed to obtain an Authorization Token");
    ui->widgetWebView->setHtml(signInResultPage(tr("Lumerith V2"), text), QUrl());
}
