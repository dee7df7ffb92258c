#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

class QComboBox;

struct PaperSize
{
    qint32 id;
    double widthIn;
    double heightIn;
    double widthCm;
    double heightCm;
    bool onExposureGlass;
    bool onFeeder;
    QString name;
};

// Names whatever area the user typed or dragged; it has no size of its own.
constexpr qint32 UserDefinedPaperSize = 13;

// The paper sizes offered for each source, in list order. The ids are
// stored in configurations and are never renumbered (there is no id 10).
class PaperSizeList
{
public:
    PaperSizeList();

    int count() const { return m_sizes.size(); }
    const PaperSize &at(int index) const { return m_sizes.at(index); }

    // The row with the id, or null.
    const PaperSize *find(int id) const;

    void fillComboBox(QComboBox *combo, int source) const;

private:
    QVector<PaperSize> m_sizes;
};
