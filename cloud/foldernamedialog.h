#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class FolderNameDialog;
}

// Asks for the name of a new cloud folder: OK with a name that is not
// blank accepts, Cancel rejects. Characters that no service accepts in a
// folder name cannot be typed.
class FolderNameDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FolderNameDialog(QWidget *parent = nullptr);
    ~FolderNameDialog() override;

    // The name typed, trimmed.
    QString folderName() const;

protected slots:
    void clickedBtnOK();

private:
    Ui::FolderNameDialog *ui;
    QString strFolderName;
};
