#include "scan/searchscannerdialog.h"
#include "ui_searchscannerdialog.h"

#include "app/errormessage.h"
#include "app/globals.h"
#include "ptessark.h"
#include "scan/devicelists.h"

#include <QApplication>
#include <QDebug>
#include <QHeaderView>

#include <atomic>

void NoFocusDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem plain(option);
    plain.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, plain, index);
}

namespace {
std::atomic_int g_searchLimitMs{SearchScannerDialog::kSearchLimitMs};
}

SearchScannerThread::SearchScannerThread(quint64 nSearch, QObject *parent)
    : QThread(parent)
    , nSearch(nSearch)
{
}

void SearchScannerThread::run()
{
    QString ipv4, ipv6;
    tessark().getIPv4ScannerDevice(ipv4);
    tessark().getIPv6ScannerDevice(ipv6);
    emit foundScanners(nSearch, ipv4, ipv6);
}

void SearchScannerDialog::setSearchLimit(int ms)
{
    g_searchLimitMs = ms > 0 ? ms : kSearchLimitMs;
}

SearchScannerDialog::SearchScannerDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SearchScannerDialog)
{
    ui->setupUi(this);
    setWindowTitle(tr("Search Network Scanner"));
    ui->pushButtonUpdate->setText(tr("Update"));
    ui->pushButtonOK->setText(tr("OK"));
    ui->pushButtonCancel->setText(tr("Cancel"));

    QTableWidget *table = ui->tableWidgetIPAddress;
    table->setColumnCount(2);
    table->setHorizontalHeaderLabels({tr("Machine Name"), tr("IP Address")});
    table->horizontalHeader()->setDefaultSectionSize(100);
    table->setColumnWidth(0, 200);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setHighlightSections(false);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setItemDelegate(new NoFocusDelegate(table));

    connect(ui->pushButtonUpdate, &QPushButton::clicked, this, &SearchScannerDialog::clickedBtnUpdate);
    connect(ui->pushButtonOK, &QPushButton::clicked, this, &SearchScannerDialog::clickedBtnOK);
    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &SearchScannerDialog::reject);
    connect(&hub, &PMessage::finishedSearchScanner, this, &SearchScannerDialog::finishedSearchScanner);
    searchTimer.setSingleShot(true);
    connect(&searchTimer, &QTimer::timeout, this, &SearchScannerDialog::searchTimedOut);

    setWindowFlags((windowFlags() & ~(Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint
                                      | Qt::WindowContextHelpButtonHint))
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(437, 248);

    clickedBtnUpdate();
}

SearchScannerDialog::~SearchScannerDialog()
{
    // Gone while a search runs (only possible from code): its answer is
    // dropped with the connection, and the cursor must not stay busy.
    if (!closingAllowed)
        QApplication::restoreOverrideCursor();
    delete ui;
}

void SearchScannerDialog::clickedBtnUpdate()
{
    qDebug() << "SearchScannerDialog::clickedBtnUpdate";
    ui->tableWidgetIPAddress->setRowCount(0);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ui->pushButtonUpdate->setEnabled(false);
    ui->pushButtonOK->setEnabled(false);
    ui->pushButtonCancel->setEnabled(false);
    closingAllowed = false;
    // No parent: a search that never answers outlives the dialog harmlessly.
    auto *thread = new SearchScannerThread(++nSearch);
    connect(thread, &SearchScannerThread::foundScanners, this, &SearchScannerDialog::foundScanners);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    searchTimer.start(g_searchLimitMs);
    thread->start(QThread::InheritPriority);
}

void SearchScannerDialog::foundScanners(quint64 nSearch, QString strIPv4, QString strIPv6)
{
    qDebug() << "SearchScannerDialog::foundScanners" << "Search:" << nSearch;
    if (nSearch != this->nSearch || closingAllowed) {
        qDebug() << "Late answer dropped";
        return;
    }
    searchTimer.stop();
    DeviceLists &lists = deviceLists();
    lists.clearDeviceLists(NetworkDevices);
    lists.parseDeviceList(NetworkDevices, strIPv4);
    lists.parseDeviceList(NetworkDevices, strIPv6);
    emit hub.finishedSearchScanner();
}

void SearchScannerDialog::searchTimedOut()
{
    qDebug() << "SearchScannerDialog::searchTimedOut";
    // As if nothing was found; whatever this search answers later is dropped.
    ++nSearch;
    deviceLists().clearDeviceLists(NetworkDevices);
    emit hub.finishedSearchScanner();
}

void SearchScannerDialog::finishedSearchScanner()
{
    qDebug() << "SearchScannerDialog::finishedSearchScanner";
    QTableWidget *table = ui->tableWidgetIPAddress;
    const DeviceLists &lists = deviceLists();
    const int n = lists.count(NetworkDevices);
    for (int i = 0; i < n; ++i) {
        DeviceRecord record;
        if (!lists.deviceAt(i, NetworkDevices, record))
            continue;
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, 0, new QTableWidgetItem(record.modelText()));
        table->setItem(row, 1, new QTableWidgetItem(record.portNameText()));
    }
    if (table->rowCount() > 0)
        table->selectRow(0);
    ui->pushButtonUpdate->setEnabled(true);
    ui->pushButtonOK->setEnabled(true);
    ui->pushButtonCancel->setEnabled(true);
    closingAllowed = true;
    QApplication::restoreOverrideCursor();
}

void SearchScannerDialog::clickedBtnOK()
{
    qDebug() << "SearchScannerDialog::clickedBtnOK";
    QTableWidget *table = ui->tableWidgetIPAddress;
    if (table->selectedItems().size() < 2) {
        showWarning(this, tr("Information"), tr("Please select a machine."));
        return;
    }
    deviceLists().selectDevice(table->currentRow(), NetworkDevices);
    accept();
}

void SearchScannerDialog::reject()
{
    if (!closingAllowed)
        return;
    QDialog::reject();
}
