#include "ui/aboutdialog.h"

#include "app/globals.h"
#include "ui_aboutdialog.h"

#include <QDebug>

namespace {
// The version as shown: the minor part keeps its leading zero.
const char kMajorVersion[] = "1";
const char kMinorVersion[] = "03";
const char kVersionSuffix[] = "";
} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AboutDialog)
{
    qDebug() << "AboutDialog::AboutDialog";
    initModuleResources();
    ui->setupUi(this);
    setWindowFlags((windowFlags() & ~Qt::WindowMaximizeButtonHint & ~Qt::WindowContextHelpButtonHint)
                   | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(448, 370);

    setWindowTitle(tr("About Lumerith V2..."));
    ui->listWidgetInfo->addItem(tr("Lumerith V2"));
    ui->listWidgetInfo->addItem(QString("%1 %2.%3%4")
                                    .arg(tr("Version"), QString::fromLatin1(kMajorVersion),
                                         QString::fromLatin1(kMinorVersion), QString::fromLatin1(kVersionSuffix)));
    ui->listWidgetInfo->addItem(tr("Copyright (C) 2026 Lumerith contributors"));
    ui->listWidgetInfo->addItem(tr("All rights reserved."));

    ui->pushButtonOK->setText(tr("OK"));
    connect(ui->pushButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    ui->graphicsViewAbout->setStyleSheet(
        QStringLiteral("QGraphicsView#graphicsViewAbout{border-image:url(:/ui/images/About.bmp)}"));
    ui->graphicsViewIcon->setStyleSheet(
        QStringLiteral("QGraphicsView#graphicsViewIcon{border-image:url(:/ui/images/icon_64.png)}"));
    ui->graphicsViewAbout->setFocusPolicy(Qt::NoFocus);
    ui->graphicsViewIcon->setFocusPolicy(Qt::NoFocus);
}

AboutDialog::~AboutDialog() = default;
