#include "ui/configdialog.h"

#include "app/errormessage.h"
#include "ui/scanconfigurationstore.h"
#include "ui_configdialog.h"

#include <QDebug>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

ConfigDialog::ConfigDialog(int source, const QString &name, const ScanConfigurationStore *store, QWidget *parent)
    : QDialog(parent)
    , m_source(source)
    , m_name(name)
    , m_store(store)
    , ui(new Ui::ConfigDialog)
{
    ui->setupUi(this);
    setWindowTitle(tr("Save Scan Configuration"));
    ui->labelConfigName->setText(tr("Enter a Name for this Scan Configuration:"));
    ui->pushButtonSave->setText(tr("Save"));
    ui->pushButtonCancel->setText(tr("Cancel"));

    setWindowFlags((windowFlags() & ~Qt::WindowMaximizeButtonHint & ~Qt::WindowContextHelpButtonHint)
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(430, 130);

    ui->lineEditConfigName->setMaxLength(128);
    // "=" and line breaks would break the settings file's key=value lines.
    ui->lineEditConfigName->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^=\\t\\r\\n]+")), ui->lineEditConfigName));
    ui->lineEditConfigName->setText(m_name.isEmpty() ? tr("Enter the new scan setting name") : m_name);
    focusName();

    connect(ui->pushButtonSave, &QPushButton::clicked, this, &ConfigDialog::clickedBtnOK);
    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

ConfigDialog::~ConfigDialog() = default;

void ConfigDialog::focusName()
{
    ui->lineEditConfigName->setFocus();
    ui->lineEditConfigName->selectAll();
}

void ConfigDialog::clickedBtnOK()
{
    qDebug() << "ConfigDialog::clickedBtnOK";
    m_name = ui->lineEditConfigName->text().trimmed();
    const QString title = tr("Information");
    if (m_name.isEmpty()) {
        showWarning(this, title, tr("Please enter the valid scan configuration name."));
        focusName();
        return;
    }
    const int found = m_store ? m_store->findByName(m_source, m_name) : 0;
    if (found == 1) {
        showWarning(this, title, tr("Cannot overwrite the default configuration."));
        focusName();
        return;
    }
    if (found == 2) {
        const int answer = askQuestion(this, title,
                                       tr("The scan configuration named \"%1\" already exists.\n"
                                          "Are you sure you want to replace this existing configuration?")
                                           .arg(m_name),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
        if (answer != QMessageBox::Yes) {
            focusName();
            return;
        }
    }
    accept();
}
