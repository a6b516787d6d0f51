// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

namespace talvor {

// A circle like the shape control of the window's design: the outline only while its fill style is
// transparent, a disc in its fill colour while the fill style is solid. Shape1, the link indicator,
// is one.
class Shape : public QWidget {
    Q_OBJECT
public:
    enum FillStyle { Solid = 0, Transparent = 1 };

    explicit Shape(QWidget *parent = nullptr);

    FillStyle fillStyle() const { return m_fillStyle; }
    void setFillStyle(FillStyle style);
    QColor fillColor() const { return m_fillColor; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    FillStyle m_fillStyle = Transparent;
    QColor m_fillColor = QColor(0, 255, 0);
};

} // namespace talvor
