#pragma once

#include <QString>

class QObject;
class QWebEngineView;

// What the web-view login dialogs share. Every sign-in gets a page of its
// own in a private profile, with no cookies from an earlier sign-in and none
// kept for a later one, so the service always asks who is signing in.
// profileOwner outlives the view (the dialog), as the profile must outlive
// its page.
void prepareSignInView(QWebEngineView *view, QObject *profileOwner);

// The page shown in the view once the sign-in's outcome is known.
QString signInResultPage(const QString &title, const QString &text);
