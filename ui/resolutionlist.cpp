#include "ui/resolutionlist.h"

#include "ui/scansettings.h"

#include <QCoreApplication>

ResolutionList::ResolutionList()
{
    static const struct {
        qint32 dpi;
        const char *name;
    } rows[] = {
        {100, QT_TRANSLATE_NOOP("ResolutionList", "100dpi")},
        {200, QT_TRANSLATE_NOOP("ResolutionList", "200dpi")},
        {300, QT_TRANSLATE_NOOP("ResolutionList", "300dpi")},
        {600, QT_TRANSLATE_NOOP("ResolutionList", "600dpi")},
    };
    for (const auto &row : rows)
        m_items.append({row.dpi, true, true, QCoreApplication::translate("ResolutionList", row.name)});
}

bool ResolutionList::offered(const ResolutionItem &item, int source)
{
    return isGlass(source) ? item.onExposureGlass : item.onFeeder;
}

int ResolutionList::dpiAt(int source, int listIndex) const
{
    if (listIndex < 0)
        return -1;
    int n = 0;
    for (const ResolutionItem &item : m_items) {
        if (!offered(item, source))
            continue;
        if (n == listIndex)
            return item.dpi;
        ++n;
    }
    return -1;
}

int ResolutionList::indexOf(int source, int dpi) const
{
    int n = 0;
    for (const ResolutionItem &item : m_items) {
        if (!offered(item, source))
            continue;
        if (item.dpi == dpi)
            return n;
        ++n;
    }
    return m_items.size();
}

void ResolutionList::fillComboBox(QComboBox *combo, int source) const
{
    QVector<ComboRow> rows;
    for (const ResolutionItem &item : m_items) {
        if (offered(item, source))
            rows.append({item.name, item.dpi});
    }
    fillComboRows(combo, rows);
}
