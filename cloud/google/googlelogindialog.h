#pragma once

#include "cloud/google/googleauthorization.h"

#include <QDialog>
#include <QUrl>

namespace Ui {
class GoogleLoginDialog;
}

// Google Drive sign-in, in the dialog's web view or in the desktop's browser
// (the module configuration chooses):
//
//   listen on the loopback redirect --> authorization address:
//     web view: shown here (no cookies from earlier sign-ins); every address it
//               goes to: urlChangeWebPage --> the redirect's code taken, result page
//     browser:  opened on the desktop; the listener takes the redirect and answers it
//   --> code exchange --> authenticationFinished(0) --> Accepted, else Rejected with -200
//
// Cancel ends with -6. When the loopback port cannot be bound the sign-in
// ends with -200 as soon as the dialog is run, and no browser is opened.
class GoogleLoginDialog : public QDialog
{
    Q_OBJECT
public:
    GoogleLoginDialog(int nCloudService, QWidget *parent = nullptr);
    ~GoogleLoginDialog() override;

    int errorCode() const { return nErrorCode; }

    int exec() override;

protected slots:
    void clickedBtnCancel();
    void urlChangeWebPage(QUrl url);
    void authenticationFinished(int nFlag);

private:
    void showResult(bool bSuccess);
    void end(int nCode);

    Ui::GoogleLoginDialog *ui;
    int nCloudService;
    int nErrorCode = 0;
    GoogleAuthorization authorization;
    bool bEnded = false;     // the sign-in ended before the dialog ran
    bool bCodeTaken = false; // the redirect was seen; later addresses are the result page's
};
