#pragma once

#include "ui/scanarea.h"

class QLineEdit;
class QWidget;

// Gives the width and height fields validators for the unit, source and
// resolution, replacing the ones they had: two-decimal doubles for inches
// and centimetres, integers for pixels.
void renewSizeValidators(QLineEdit *width, QLineEdit *height, int unit, int source, int resolution);

// Commits a size field that lost the focus: warns (titled title) about a
// value out of range, restores the field after a refusal, and on Stored
// writes the new area and UserDefinedPaperSize into the record. The caller
// then does its follow-up for a changed setting.
TypedSizeResult::Outcome commitSizeField(QWidget *parent, QLineEdit *edit, ScanRequest &record,
                                         SizeField field, const QString &title);
