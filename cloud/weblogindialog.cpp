#include "cloud/weblogindialog.h"

#include "app/redact.h"
#include "cloud/signinview.h"

#include <QDebug>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QWebEngineView>

WebLoginDialog::WebLoginDialog(int nCloudService, QWidget *parent)
    : QDialog(parent)
    , nCloudService(nCloudService)
{
}

void WebLoginDialog::setUpForm(QWebEngineView *webView, QLabel *prompt, QPushButton *cancel, const Texts &texts)
{
    view = webView;
    strings = texts;
    setWindowFlags(windowFlags() & ~(Qt::WindowContextHelpButtonHint | Qt::WindowMaximizeButtonHint));
    setWindowTitle(texts.title);
    prompt->setText(texts.prompt);
    cancel->setText(texts.cancel);
    connect(cancel, &QPushButton::clicked, this, &WebLoginDialog::clickedBtnCancel);
}

void WebLoginDialog::useWebView()
{
    prepareSignInView(view, this);
    connect(view, &QWebEngineView::urlChanged, this, &WebLoginDialog::urlChangeWebPage);
}

bool WebLoginDialog::listening(bool bListening)
{
    if (!bListening) {
        qDebug() << "Redirect port not available";
        nErrorCode = -200;
        bEnded = true;
        setResult(Rejected);
    }
    return bListening;
}

int WebLoginDialog::exec()
{
    if (bEnded)
        return result();
    return QDialog::exec();
}

QString WebLoginDialog::logName(const char *method) const
{
    return QString::fromLatin1(metaObject()->className()) + QStringLiteral("::") + QLatin1String(method);
}

void WebLoginDialog::end(int nCode)
{
    nErrorCode = nCode;
    if (stopListening)
        stopListening();
    reject();
}

void WebLoginDialog::clickedBtnCancel()
{
    qDebug().noquote() << logName("clickedBtnCancel");
    end(-6);
}

void WebLoginDialog::urlChangeWebPage(QUrl)
{
}

void WebLoginDialog::authenticationFinished(int nCode)
{
    qDebug().noquote() << logName("authenticationFinished") << nCode;
    if (nCode != 0) {
        qDebug() << "Login failed";
        end(-200);
        return;
    }
    qDebug() << "Login success";
    if (stopListening)
        stopListening();
    accept();
}

void WebLoginDialog::showResult(bool bSuccess)
{
    view->setHtml(signInResultPage(strings.application, bSuccess ? strings.success : strings.failure), QUrl());
}

void CodeLoginDialog::open(bool bBrowser, const QString &address, bool bListening)
{
    if (bBrowser) {
        // The page is in the browser; the dialog only waits with its Cancel.
        webView()->hide();
        resize(480, 90);
    } else {
        useWebView();
    }
    // The redirect must reach this dialog before the page is shown anywhere.
    if (!listening(bListening))
        return;
    if (bBrowser) {
        if (!QDesktopServices::openUrl(QUrl(address)))
            qDebug() << "No web browser could be opened";
    } else {
        webView()->load(QUrl(address));
    }
}

void CodeLoginDialog::urlChangeWebPage(QUrl url)
{
    qDebug().noquote() << logName("urlChangeWebPage") << redactSecrets(url.toString());
    if (bCodeTaken || !url.toString().startsWith(strRedirectUri))
        return;
    bCodeTaken = true;
    // A refused or broken redirect shows the failure page; the dialog stays
    // for Cancel, or for the exchange's answer.
    showResult(takeCode(url) == 0);
}
