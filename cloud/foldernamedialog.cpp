#include "cloud/foldernamedialog.h"
#include "ui_foldernamedialog.h"

#include <QDebug>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

FolderNameDialog::FolderNameDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::FolderNameDialog)
{
    ui->setupUi(this);
    setWindowTitle(tr("Folder Name"));
    ui->labelFolderName->setText(tr("Please input current folder name:"));
    ui->pushButtonOK->setText(tr("OK"));
    ui->pushButtonCancel->setText(tr("Cancel"));
    setWindowFlags((windowFlags() & ~(Qt::WindowContextHelpButtonHint | Qt::WindowMaximizeButtonHint))
                   | Qt::MSWindowsFixedSizeDialogHint);

    ui->lineEdit->setMaxLength(32);
    ui->lineEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\\\/:*?\"<>|]+")), ui->lineEdit));

    connect(ui->pushButtonOK, &QPushButton::clicked, this, &FolderNameDialog::clickedBtnOK);
    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &FolderNameDialog::reject);
}

FolderNameDialog::~FolderNameDialog()
{
    delete ui;
}

QString FolderNameDialog::folderName() const
{
    return strFolderName.trimmed();
}

void FolderNameDialog::clickedBtnOK()
{
    qDebug() << "FolderNameDialog::clickedBtnOK";
    strFolderName = ui->lineEdit->text();
    if (!strFolderName.trimmed().isEmpty()) {
        accept();
        return;
    }
    ui->lineEdit->setFocus();
}
