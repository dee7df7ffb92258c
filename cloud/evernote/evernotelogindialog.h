#pragma once

#include "cloud/evernote/evernoteauthorization.h"
#include "cloud/weblogindialog.h"

namespace Ui {
class EvernoteLoginDialog;
}

// Evernote sign-in in an embedded web view:
//
//   listen on the loopback redirect --> requestTemporaryToken --> generateAccessURL(code, address)
//   --> the service's sign-in page in the view (no cookies from earlier sign-ins)
//   --> every address the view goes to: urlChangeWebPage --> getAuthorizationCode:
//       -204 not the redirect | 0 result page, token exchange | else failure page, -200
//   --> authenticationFinished(0) --> Accepted; anything else Rejected with the code
//
// Cancel ends with -6. When the loopback port cannot be bound the sign-in
// ends with -200 as soon as the dialog is run.
class EvernoteLoginDialog : public WebLoginDialog
{
    Q_OBJECT
public:
    EvernoteLoginDialog(int nCloudService, QWidget *parent = nullptr);
    ~EvernoteLoginDialog() override;

protected slots:
    void urlChangeWebPage(QUrl url) override;
    void generateAccessURL(int nErrorCode, QString strURL);

private:
    Ui::EvernoteLoginDialog *ui;
    EvernoteAuthorization authorization;
};
