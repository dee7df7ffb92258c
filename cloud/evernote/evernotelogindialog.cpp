#include "cloud/evernote/evernotelogindialog.h"
#include "ui_evernotelogindialog.h"

#include "app/redact.h"

#include <QDebug>
#include <QWebEngineView>

EvernoteLoginDialog::EvernoteLoginDialog(int nCloudService, QWidget *parent)
    : WebLoginDialog(nCloudService, parent)
    , ui(new Ui::EvernoteLoginDialog)
{
    ui->setupUi(this);
    setUpForm(ui->widgetWebView, ui->labelPrompt, ui->pushButtonCancel,
              {tr("Login Evernote Cloud"), tr("Please enter your credentials and login to Evernote online."),
               tr("Cancel"), tr("Lumerith V2"),
               tr("Lumerith V2 successfully obtained an Authorization Token to access your Evernote account"),
               tr("Lumerith V2 failed to obtain an Authorization Token")});
    useWebView();
    connect(&authorization, &EvernoteAuthorization::generateTemporaryToken, this,
            &EvernoteLoginDialog::generateAccessURL);
    connect(&authorization, &EvernoteAuthorization::authenticationFinished, this,
            &EvernoteLoginDialog::authenticationFinished);
    setStopListening([this]() { authorization.stopRedirectServer(); });

    // The redirect must reach this dialog before the service is asked for anything.
    if (listening(authorization.startRedirectServer()))
        authorization.requestTemporaryToken();
}

EvernoteLoginDialog::~EvernoteLoginDialog()
{
    authorization.stopRedirectServer();
    delete ui;
}

void EvernoteLoginDialog::generateAccessURL(int nErrorCode, QString strURL)
{
    qDebug() << "EvernoteLoginDialog::generateAccessURL" << nErrorCode;
    if (nErrorCode != 0) {
        end(-203);
        return;
    }
    webView()->load(QUrl(strURL));
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
