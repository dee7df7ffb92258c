#pragma once

#include "cloud/dropbox/dropboxauthorization.h"

#include <QDialog>

namespace Ui {
class DropboxLoginDialog;
}

// Dropbox sign-in in the user's own web browser:
//
//   listen on the loopback redirect --> browser opens the authorization address
//   --> Dropbox redirects to the listener --> verificationToken(address): check and
//   store the token --> the browser gets the result page --> verificationFinish
//   --> Accepted, or Rejected with -200
//
// Cancel stops listening and ends with -6. When the loopback port cannot be
// bound the browser is never opened (another program there would receive the
// token) and the dialog ends with -200 as soon as it is run.
class DropboxLoginDialog : public QDialog
{
    Q_OBJECT
public:
    DropboxLoginDialog(int nCloudService, QWidget *parent = nullptr);
    ~DropboxLoginDialog() override;

    int errorCode() const { return nErrorCode; }

    int exec() override;

protected slots:
    void clickedBtnCancel();
    bool verificationToken(QString strUrl);
    void verificationFinish(bool bSuccess);

private:
    Ui::DropboxLoginDialog *ui;
    int nCloudService;
    int nErrorCode = 0;
    DropboxAuthorization authorization;
    bool bEnded = false; // the sign-in ended before the dialog ran
};
