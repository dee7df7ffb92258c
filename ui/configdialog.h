#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class ScanConfigurationStore;

namespace Ui {
class ConfigDialog;
}

// Asks for the name under which the current settings are saved. Refuses an
// empty name and the name of a preset or "Custom...", and asks before a
// user configuration of that name is replaced.
class ConfigDialog : public QDialog
{
    Q_OBJECT

public:
    // name is the proposal; store is what the name is checked against.
    ConfigDialog(int source, const QString &name, const ScanConfigurationStore *store, QWidget *parent = nullptr);
    ~ConfigDialog() override;

    // After acceptance: the trimmed name typed.
    QString name() const { return m_name; }

protected slots:
    void clickedBtnOK();

private:
    void focusName();

    int m_source;
    QString m_name;
    const ScanConfigurationStore *m_store;
    std::unique_ptr<Ui::ConfigDialog> ui;
};
