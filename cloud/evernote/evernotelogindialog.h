#pragma once

#include "cloud/evernote/evernoteauthorization.h"

#include <QDialog>
#include <QUrl>

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
class EvernoteLoginDialog : public QDialog
{
    Q_OBJECT
public:
    EvernoteLoginDialog(int nCloudService, QWidget *parent = nullptr);
    ~EvernoteLoginDialog() override;

    int errorCode() const { return nErrorCode; }

    int exec() override;

protected slots:
    void clickedBtnCancel();
    void urlChangeWebPage(QUrl url);
    void authenticationFinished(int nErrorCode);
    void generateAccessURL(int nErrorCode, QString strURL);

private:
    void showResult(bool bSuccess);
    void end(int nCode);

    Ui::EvernoteLoginDialog *ui;
    int nCloudService;
    int nErrorCode = 0;
    EvernoteAuthorization authorization;
    bool bEnded = false;     // the sign-in ended before the dialog ran
    bool bCodeTaken = false; // the redirect was seen; later addresses are the result page's
};
