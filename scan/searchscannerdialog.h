#pragma once

#include "scan/pmessage.h"

#include <QDialog>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTimer>

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
// It touches nothing of the dialog nor the device lists: a discovery may
// answer after the dialog gave up on it, or after the dialog is gone, so the
// answer travels as the arguments of a queued signal, tagged with the search
// it belongs to.
class SearchScannerThread : public QThread
{
    Q_OBJECT
public:
    explicit SearchScannerThread(quint64 nSearch, QObject *parent = nullptr);

signals:
    void foundScanners(quint64 nSearch, QString strIPv4, QString strIPv6);

protected:
    void run() override;

private:
    const quint64 nSearch;
};

// The network search: Update --> SearchScannerThread --> foundScanners -->
// device list --> hub finishedSearchScanner --> table. A search that has not
// answered within the limit ends as if nothing was found, and its late
// answer is dropped; the dialog cannot be closed while a search runs.
class SearchScannerDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SearchScannerDialog(QWidget *parent = nullptr);
    ~SearchScannerDialog() override;

    // How long a search may take: a minute; tests shorten it (every dialog
    // made afterwards).
    static constexpr int kSearchLimitMs = 60000;
    static void setSearchLimit(int ms);

public slots:
    void reject() override;

protected slots:
    void clickedBtnUpdate();
    void clickedBtnOK();
    void finishedSearchScanner();
    void foundScanners(quint64 nSearch, QString strIPv4, QString strIPv6);
    void searchTimedOut();

private:
    Ui::SearchScannerDialog *ui;
    PMessage hub;
    bool closingAllowed = true;
    quint64 nSearch = 0;
    QTimer searchTimer;
};
