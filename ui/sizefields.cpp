#include "ui/sizefields.h"

#include "app/errormessage.h"
#include "ui/papersizelist.h"
#include "ui/scansettings.h"

#include <QDoubleValidator>
#include <QIntValidator>
#include <QLineEdit>

namespace {
void replaceValidator(QLineEdit *edit, QValidator *validator)
{
    const QValidator *old = edit->validator();
    edit->setValidator(validator);
    // Only the validators made here belong to the field.
    if (old && old->parent() == edit && old != validator)
        delete old;
}

QValidator *makeValidator(QLineEdit *edit, int unit, double minimum, double maximum)
{
    if (unit == Pixel)
        return new QIntValidator(int(minimum), int(maximum), edit);
    auto *validator = new QDoubleValidator(minimum, maximum, 2, edit);
    validator->setNotation(QDoubleValidator::StandardNotation);
    // The fields show and read values with a dot whatever the user's locale.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    validator->setLocale(c);
    return validator;
}
} // namespace

void renewSizeValidators(QLineEdit *width, QLineEdit *height, int unit, int source, int resolution)
{
    if (unit != Inch && unit != Centimetre && unit != Pixel) {
        if (width)
            replaceValidator(width, nullptr);
        if (height)
            replaceValidator(height, nullptr);
        return;
    }
    const SizeRange range = sizeRange(unit, source, resolution);
    if (width)
        replaceValidator(width, makeValidator(width, unit, range.minWidth, range.maxWidth));
    if (height)
        replaceValidator(height, makeValidator(height, unit, range.minHeight, range.maxHeight));
}

TypedSizeResult::Outcome commitSizeField(QWidget *parent, QLineEdit *edit, ScanRequest &record,
                                         SizeField field, const QString &title)
{
    if (!edit)
        return TypedSizeResult::Unchanged;
    const TypedSizeResult result = commitTypedSize(record, field, edit->text());
    switch (result.outcome) {
    case TypedSizeResult::Unchanged:
        break;
    case TypedSizeResult::Refused:
        edit->setText(result.currentText);
        break;
    case TypedSizeResult::OutOfRange:
        showWarning(parent, title, result.message);
        edit->setText(result.currentText);
        break;
    case TypedSizeResult::Stored:
        result.area.storeIn(record);
        record.paperSizeId = UserDefinedPaperSize;
        break;
    }
    return result.outcome;
}
