#pragma once

#include <QDialog>

namespace Ui {
class WakeUpDialog;
}
class ScanningThread;

// Shown while the job waits for a sleeping machine. Cancel asks the job to
// stop waiting; the dialog closes only when the job says waiting has ended.
class WakeUpDialog : public QDialog
{
    Q_OBJECT
public:
    WakeUpDialog(const QString &title, ScanningThread *job, QWidget *parent = nullptr);
    ~WakeUpDialog() override;

    void setProgress(int nPercent);
    void closeByJob();

public slots:
    void reject() override;

private:
    Ui::WakeUpDialog *ui;
    QString windowTitleText;
    bool closingAllowed = false;
    ScanningThread *scanJob;
};
