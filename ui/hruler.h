#pragma once

#include "ui/ruler.h"

// The ruler above the preview.
class HRuler : public Ruler
{
    Q_OBJECT

public:
    explicit HRuler(QWidget *parent = nullptr);

    QRect scaleRect() const override;

protected:
    Qt::Orientation orientation() const override { return Qt::Horizontal; }
    void paintEvent(QPaintEvent *event) override;
};
