#pragma once

#include "cloud/google/googleauthorization.h"
#include "cloud/weblogindialog.h"

namespace Ui {
class GoogleLoginDialog;
}

// Google Drive sign-in, in the dialog's web view or in the desktop's browser
// (the module configuration chooses); the flow is CodeLoginDialog's. Cancel
// ends with -6; a held redirect port ends the sign-in with -200 as soon as
// the dialog is run, and no browser is opened.
class GoogleLoginDialog : public CodeLoginDialog
{
    Q_OBJECT
public:
    GoogleLoginDialog(int nCloudService, QWidget *parent = nullptr);
    ~GoogleLoginDialog() override;

private:
    Ui::GoogleLoginDialog *ui;
    GoogleAuthorization authorization;
};
