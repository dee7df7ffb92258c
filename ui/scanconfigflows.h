#pragma once

#include "ui/scanconfigurationstore.h"

#include <QString>

class QAbstractButton;
class QListWidget;
class QWidget;
struct ScanRequest;

// The "Save As" and "Delete" buttons of the configuration list. Both keep
// the list, the store's active entry and the record's configIndex in step;
// they refill and select the list with its signals blocked, so the list's
// row-change handler does not run for the rows they pass through. title is
// the title of the message boxes they show ("Information").
//
// Save As: list full? -> warn | ConfigDialog(proposal = current row)
//          -> accepted: store.saveAs -> active = saved entry -> refill, select
// Delete:  current row user-made? -> ask -> Yes: remove -> active = same row
//          (or the new last one) -> record from it -> refill, select
//
// Each returns true when it changed the store and the record; the caller
// then refreshes its controls.
bool saveConfigurationAs(QWidget *parent, ScanConfigurationStore &store, int source, QListWidget *list,
                         ScanRequest &record, const QString &title);
bool deleteConfiguration(QWidget *parent, ScanConfigurationStore &store, int source, QListWidget *list,
                         ScanRequest &record, const QString &title);

// Which of the two buttons the active entry allows: "Save As" when
// canSaveAs, "Delete" when userMade.
ConfigFlags configButtonState(const ScanConfigurationStore &store, int source);
void updateConfigButtons(const ScanConfigurationStore &store, int source, QAbstractButton *saveAs,
                         QAbstractButton *remove);
