#include "ui/scanconfigflows.h"

#include "app/errormessage.h"
#include "scan/scanrequest.h"
#include "ui/configdialog.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDebug>
#include <QListWidget>
#include <QSignalBlocker>

namespace {
QString flowText(const char *text)
{
    return QCoreApplication::translate("ScanConfigurationFlows", text);
}

void refillAndSelect(const ScanConfigurationStore &store, int source, QListWidget *list, int row)
{
    if (!list)
        return;
    const QSignalBlocker blocker(list);
    store.fillList(list, source);
    list->setCurrentRow(row);
}
} // namespace

bool saveConfigurationAs(QWidget *parent, ScanConfigurationStore &store, int source, QListWidget *list,
                         ScanRequest &record, const QString &title)
{
    qDebug() << "saveConfigurationAs";
    if (!store.canAdd(source)) {
        showWarning(parent, title,
                    flowText(QT_TRANSLATE_NOOP("ScanConfigurationFlows",
                                         "Cannot save over 32 scan configurations.\n"
                                         "To save a new configuration please delete an existing one.")));
        return false;
    }

    QString proposal;
    if (list && list->currentItem())
        proposal = list->currentItem()->text();
    else
        proposal = store.nameAt(source, store.activeIndex(source));

    ConfigDialog dialog(source, proposal, &store, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    const QString name = dialog.name();
    if (!store.saveAs(source, name, record))
        return false;
    int position = -1;
    if (store.findByName(source, name, &position) == 0)
        return false;
    store.setActive(source, position);
    record.configIndex = position;
    refillAndSelect(store, source, list, position);
    return true;
}

bool deleteConfiguration(QWidget *parent, ScanConfigurationStore &store, int source, QListWidget *list,
                         ScanRequest &record, const QString &title)
{
    qDebug() << "deleteConfiguration";
    if (!list)
        return false;
    int row = list->currentRow();
    if (!store.flagsAt(source, row).userMade || !list->item(row))
        return false;

    const QString text = flowText(QT_TRANSLATE_NOOP("ScanConfigurationFlows",
                                              "Are you sure you want to delete the scan configuration named \"%1\" ?"))
                             .arg(list->item(row)->text());
    if (askQuestion(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes)
        return false;

    if (!store.remove(source, row))
        return false;
    if (row >= store.count(source))
        row = store.count(source) - 1;
    store.setActive(source, row);
    store.applyActiveTo(source, record);
    refillAndSelect(store, source, list, row);
    return true;
}

ConfigFlags configButtonState(const ScanConfigurationStore &store, int source)
{
    int active = store.activeIndex(source);
    // Outside the list the active entry is "Custom...".
    if (active < 0 || active >= store.count(source))
        active = store.customIndex(source);
    return store.flagsAt(source, active);
}

void updateConfigButtons(const ScanConfigurationStore &store, int source, QAbstractButton *saveAs,
                         QAbstractButton *remove)
{
    const ConfigFlags flags = configButtonState(store, source);
    if (saveAs)
        saveAs->setEnabled(flags.canSaveAs);
    if (remove)
        remove->setEnabled(flags.userMade);
}
