#include "scan/searchscannerdialog.h"
#include "ui_searchscannerdialog.h"

#include "app/errormessage.h"
#include "app/globals.h"
#include "ptessark.h"
#include "scan/devicelists.h"

#include <QApplication>
#include <QDebug>
#include <QHeaderView>

void NoFocusDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem plain(option);
    plain.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, plain, index);
}

SearchScannerThread::SearchScannerThread(PMessage *hub, QObject *parent)
    : QThread(parent)
    , pHub(hub)
{
}

void SearchScannerThread::run()
{
    DeviceLists &lists = deviceLists();
    lists.clearDeviceLists(NetworkDevices);
    QString found;
    tessark().getIPv4ScannerDevice(found);
    lists.parseDeviceList(NetworkDevices, found);
    found.clear();
    tessark().getIPv6ScannerDevice(found);
    lists.parseDeviceList(NetworkDevices, found);
    emit pHub->finishedSearchScanner();
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

    setWindowFlags((windowFlags() & ~(Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint
                                      | Qt::WindowContextHelpButtonHint))
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(437, 248);

    clickedBtnUpdate();
}

SearchScannerDialog::~SearchScannerDialog()
{
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
    auto *thread = new SearchScannerThread(&hub);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::InheritPriority);
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
