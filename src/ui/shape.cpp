// SPDX-License-Identifier: GPL-3.0-or-later
#include "shape.h"

#include <QPainter>

namespace talvor {

Shape::Shape(QWidget *parent)
    : QWidget(parent)
{
}

void Shape::setFillStyle(FillStyle style)
{
    if (style == m_fillStyle)
        return;
    m_fillStyle = style;
    update();
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_fillStyle == Solid ? QBrush(m_fillColor) : Qt::NoBrush);
    // The circle is as large as the control's smaller side, centred in it.
    const int side = qMin(width(), height()) - 1;
    painter.drawEllipse(QRectF((width() - side) / 2.0, (height() - side) / 2.0, side, side));
}

} // namespace talvor
