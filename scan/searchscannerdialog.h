#pragma once

#include "scan/pmessage.h"

#include <QDialog>
#include <QStyledItemDelegate>
#include <QThread>

namespace Ui {
class SearchScannerDialog;
}

// Table cells without a focus rectangle.
class NoFocusDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// Asks the engine for network scanners, IPv4 then IPv6, off the UI thread.
class SearchScannerThread : public QThread
{
    Q_OBJECT
public:
    explicit SearchScannerThread(PMessage *hub, QObject *parent = nullptr);

protected:
    void run() override;

private:
    PMessage *pHub;
};

class SearchScannerDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SearchScannerDialog(QWidget *parent = nullptr);
    ~SearchScannerDialog() override;

public slots:
    void reject() override;

protected slots:
    void clickedBtnUpdate();
    void clickedBtnOK();
    void finishedSearchScanner();

private:
    Ui::SearchScannerDialog *ui;
    PMessage hub;
    bool closingAllowed = true;
};
