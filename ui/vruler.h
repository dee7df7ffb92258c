#pragma once

#include "ui/ruler.h"

// The ruler left of the preview.
class VRuler : public Ruler
{
    Q_OBJECT

public:
    explicit VRuler(QWidget *parent = nullptr);

    QRect scaleRect() const override;

protected:
    Qt::Orientation orientation() const override { return Qt::Vertical; }
    void paintEvent(QPaintEvent *event) override;
};
