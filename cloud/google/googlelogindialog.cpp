#include "cloud/google/googlelogindialog.h"
#include "ui_googlelogindialog.h"

GoogleLoginDialog::GoogleLoginDialog(int nCloudService, QWidget *parent)
    : CodeLoginDialog(nCloudService, parent)
    , ui(new Ui::GoogleLoginDialog)
{
    ui->setupUi(this);
    setUpForm(ui->widgetWebView, ui->labelPrompt, ui->pushButtonCancel,
              {tr("Login GoogleDrive Cloud"), tr("Please enter your credentials and login to Google online."), tr("Cancel"), tr("Lumerith V2"),
               tr("Lumerith V2 successfully obtained an Authorization Token to access your Google account"),
               tr("Lumerith V2 failed to obtain an Authorization Token")});
    startSignIn(authorization);
}

GoogleLoginDialog::~GoogleLoginDialog()
{
    authorization.stopRedirectServer();
    delete ui;
}
