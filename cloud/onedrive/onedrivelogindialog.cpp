#include "cloud/onedrive/onedrivelogindialog.h"
#include "ui_onedrivelogindialog.h"

OneDriveLoginDialog::OneDriveLoginDialog(int nCloudService, QWidget *parent)
    : CodeLoginDialog(nCloudService, parent)
    , ui(new Ui::OneDriveLoginDialog)
{
    ui->setupUi(this);
    setUpForm(ui->widgetWebView, ui->labelPrompt, ui->pushButtonCancel,
              {tr("Login OneDrive Cloud"), tr("Please enter your credentials and login to OneDrive online."), tr("Cancel"), tr("Lumerith V2"),
               tr("Lumerith V2 successfully obtained an Authorization Token to access the OneDrive in your account"),
               tr("Lumerith V2 failed to obtain an Authorization Token")});
    startSignIn(authorization);
}

OneDriveLoginDialog::~OneDriveLoginDialog()
{
    authorization.stopRedirectServer();
    delete ui;
}
