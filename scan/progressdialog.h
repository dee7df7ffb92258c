#pragma once

#include <QDialog>
#include <QMutex>

namespace Ui {
class ProgressDialog;
}
class PMessage;
class ScanningThread;

// One page of a running scan: the engine's progress and a Cancel that stops
// the job. It stays open after a cancel until the page call has returned.
class ProgressDialog : public QDialog
{
    Q_OBJECT
public:
    ProgressDialog(const QString &title, int nPage, PMessage *hub, ScanningThread *job, QWidget *parent = nullptr);
    ~ProgressDialog() override;

public slots:
    void reject() override;
    void scanningStatus(int nFlag, int nProgress);
    void cancelScanningJob();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Ui::ProgressDialog *ui;
    QString windowTitleText;
    int pageNumber;
    bool cancelled = false;
    PMessage *pHub;
    QMutex cancelMutex;
    ScanningThread *scanJob;
};
