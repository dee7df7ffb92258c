#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;
class QWebEngineView;

// What the login dialogs with a web view share (Google Drive, OneDrive,
// Evernote): texts, the private sign-in view, Cancel, the result page, and
// the end of the sign-in:
//
//   setUpForm (texts) --> listening(ok): a held redirect port ends the sign-in with -200
//   before the dialog runs --> the service's page --> ... --> authenticationFinished:
//   0 --> Accepted; else Rejected with -200.  Cancel --> Rejected with -6.
//
// Each dialog keeps its own form, authorization object and translated texts.
class WebLoginDialog : public QDialog
{
    Q_OBJECT
public:
    int errorCode() const { return nErrorCode; }
    // A sign-in that ended while being built (no redirect port) does not run.
    int exec() override;

protected:
    WebLoginDialog(int nCloudService, QWidget *parent);

    struct Texts
    {
        QString title;
        QString prompt;
        QString cancel;
        QString application; // the result page's title
        QString success;
        QString failure;
    };
    // Right after the subclass built its form.
    void setUpForm(QWebEngineView *view, QLabel *prompt, QPushButton *cancel, const Texts &texts);
    // The view gets a private profile and reports every address it goes to.
    void useWebView();
    // stop: stops the authorization object's redirect listener.
    void setStopListening(std::function<void()> stop) { stopListening = std::move(stop); }
    // False (the port is held by someone else, who would receive the
    // redirect) ends the sign-in at once with -200.
    bool listening(bool bListening);
    void end(int nCode);
    void showResult(bool bSuccess);
    // "GoogleLoginDialog::method", for the log.
    QString logName(const char *method) const;

    QWebEngineView *webView() const { return view; }

    int nCloudService;
    int nErrorCode = 0;
    bool bCodeTaken = false; // the redirect was seen; later addresses are the result page's

protected slots:
    void clickedBtnCancel();
    virtual void urlChangeWebPage(QUrl url);
    void authenticationFinished(int nErrorCode);

private:
    QWebEngineView *view = nullptr;
    Texts strings;
    std::function<void()> stopListening;
    bool bEnded = false; // the sign-in ended before the dialog ran
};

// The authorization-code sign-ins of Google Drive and OneDrive: the page in
// the dialog's web view, or in the desktop's browser, as the module
// configuration chooses:
//
//   web view: every address it goes to --> urlChangeWebPage --> the redirect's code
//             taken, result page shown
//   browser:  the listener takes the redirect, answers it, and exchanges the code
//   --> authenticationFinished
class CodeLoginDialog : public WebLoginDialog
{
    Q_OBJECT
protected:
    using WebLoginDialog::WebLoginDialog;

    template <class Authorization>
    void startSignIn(Authorization &auth)
    {
        connect(&auth, &Authorization::authenticationFinished, this, &CodeLoginDialog::authenticationFinished);
        setStopListening([&auth]() { auth.stopRedirectServer(); });
        takeCode = [&auth](const QUrl &url) { return auth.getAuthorizationCode(url); };
        strRedirectUri = auth.redirectUri();
        const bool bBrowser = auth.usesSystemBrowser();
        const QString address = auth.buildAuthorizeUrl();
        open(bBrowser, address, auth.startRedirectServer());
    }

protected slots:
    void urlChangeWebPage(QUrl url) override;

private:
    void open(bool bBrowser, const QString &address, bool bListening);

    std::function<int(const QUrl &)> takeCode;
    QString strRedirectUri;
};
