#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

class QComboBox;

struct ResolutionItem
{
    qint32 dpi;
    bool onExposureGlass;
    bool onFeeder;
    QString name;
};

// The resolutions offered for each paper source, in list order.
class ResolutionList
{
public:
    ResolutionList();

    int count() const { return m_items.size(); }
    const ResolutionItem &at(int index) const { return m_items.at(index); }

    // The dpi of the listIndex-th row offered for the source, -1 when none.
    int dpiAt(int source, int listIndex) const;
    // Position of the first row offered for the source with that dpi, which
    // is its row in the source's drop-down list; count() when there is none.
    int indexOf(int source, int dpi) const;
    // Whether the source offers the dpi.
    bool contains(int source, int dpi) const { return indexOf(source, dpi) < count(); }

    void fillComboBox(QComboBox *combo, int source) const;

private:
    static bool offered(const ResolutionItem &item, int source);

    QVector<ResolutionItem> m_items;
};
