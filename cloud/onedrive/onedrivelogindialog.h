#pragma once

#include "cloud/onedrive/onedriveauthorization.h"
#include "cloud/weblogindialog.h"

namespace Ui {
class OneDriveLoginDialog;
}

// OneDrive sign-in, in the dialog's web view or in the desktop's browser
// (the module configuration chooses); the flow is CodeLoginDialog's. Cancel
// ends with -6; a held redirect port ends the sign-in with -200 as soon as
// the dialog is run, and no browser is opened.
class OneDriveLoginDialog : public CodeLoginDialog
{
    Q_OBJECT
public:
    OneDriveLoginDialog(int nCloudService, QWidget *parent = nullptr);
    ~OneDriveLoginDialog() override;

private:
    Ui::OneDriveLoginDialog *ui;
    OneDriveAuthorization authorization;
};
