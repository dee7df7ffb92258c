#include "ui/papersizelist.h"

#include "ui/scansettings.h"

#include <QCoreApplication>
#include <QDebug>

PaperSizeList::PaperSizeList()
{
    static const struct {
        qint32 id;
        const char *name;
        double widthIn;
        double heightIn;
        bool glass;
        bool feeder;
    } rows[] = {
        // The photo and card sizes are wider than tall.
        {1, QT_TRANSLATE_NOOP("PaperSizeList", "3 x 5"), 5.0, 3.0, true, false},
        {2, QT_TRANSLATE_NOOP("PaperSizeList", "4 x 6"), 6.0, 4.0, true, false},
        {3, QT_TRANSLATE_NOOP("PaperSizeList", "5 x 7"), 7.0, 5.0, true, false},
        {4, QT_TRANSLATE_NOOP("PaperSizeList", "Letter (8.5\" x 11\")"), 8.5, 11.0, true, true},
        {5, QT_TRANSLATE_NOOP("PaperSizeList", "Statement (8.5\" x 5.5\")"), 8.5, 5.5, true, true},
        {6, QT_TRANSLATE_NOOP("PaperSizeList", "A4 (8.27\" x 11.69\")"), 8.2677, 11.693, true, true},
        {7, QT_TRANSLATE_NOOP("PaperSizeList", "A5 (8.27\" x 5.83\")"), 8.268, 5.827, true, true},
        {8, QT_TRANSLATE_NOOP("PaperSizeList", "B5 JIS (7.17\" x 10.12\")"), 7.165, 10.118, true, true},
        {9, QT_TRANSLATE_NOOP("PaperSizeList", "Executive (7.25\" x 10.5\")"), 7.25, 10.5, true, true},
        {11, QT_TRANSLATE_NOOP("PaperSizeList", "Business Card"), 3.5, 2.0, true, false},
        {12, QT_TRANSLATE_NOOP("PaperSizeList", "Legal (8.5\" x 14\")"), 8.5, 14.0, false, true},
        {UserDefinedPaperSize, QT_TRANSLATE_NOOP("PaperSizeList", "User defined"), 0.0, 0.0, true, false},
    };
    for (const auto &row : rows) {
        PaperSize size{row.id, row.widthIn, row.heightIn, row.widthIn * 2.54, row.heightIn * 2.54,
                       row.glass, row.feeder, QCoreApplication::translate("PaperSizeList", row.name)};
        qDebug() << "Paper=" << size.name << "Width=" << size.widthIn << "Height=" << size.heightIn;
        m_sizes.append(size);
    }
}

const PaperSize *PaperSizeList::find(int id) const
{
    for (const PaperSize &size : m_sizes) {
        if (size.id == id)
            return &size;
    }
    return nullptr;
}

void PaperSizeList::fillComboBox(QComboBox *combo, int source) const
{
    QVector<ComboRow> rows;
    for (const PaperSize &size : m_sizes) {
        if (isGlass(source) ? size.onExposureGlass : size.onFeeder)
            rows.append({size.name, size.id});
    }
    fillComboRows(combo, rows);
}
