#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The text shown for an error code; empty for codes without a text.
QString errorText(int nErrorCode);
// Codes that are never shown: success and the user's own cancels.
bool isSilentErrorCode(int nErrorCode);

int showErrorCode(QWidget *parent, int nErrorCode, const QString &title);
int showCritical(QWidget *parent, const QString &title, const QString &text);
int showWarning(QWidget *parent, const QString &title, const QString &text);
int askQuestion(QWidget *parent, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton);
