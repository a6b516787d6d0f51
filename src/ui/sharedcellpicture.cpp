// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharedcellpicture.h"

#include <QEvent>
#include <QPainter>
#include <QPixmapCache>

namespace talvor {

SharedCellPicture::SharedCellPicture(QObject *parent)
    : QObject(parent)
{
    m_model.setAttribute(Qt::WA_DontShowOnScreen);
}

void SharedCellPicture::share(QLabel *cell)
{
    cell->installEventFilter(this);
}

bool SharedCellPicture::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Paint)
        return false;
    auto *cell = static_cast<QLabel *>(watched);
    const QPixmap picture = pictureOf(cell);
    QPainter(cell).drawPixmap(0, 0, picture);
    return true;
}

QPixmap SharedCellPicture::pictureOf(const QLabel *cell)
{
    // Everything that decides how a plain-text label looks.
    const QPalette &palette = cell->palette();
    const QString key =
        QStringLiteral("talvor-cell %1x%2@%3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13 %14 %15|")
            .arg(cell->width())
            .arg(cell->height())
            .arg(cell->devicePixelRatioF())
            .arg(palette.color(QPalette::Window).rgba(), 0, 16)
            .arg(palette.color(QPalette::WindowText).rgba(), 0, 16)
            .arg(cell->font().key())
            .arg(cell->frameStyle())
            .arg(cell->lineWidth())
            .arg(int(cell->alignment()))
            .arg(cell->isEnabled())
            .arg(cell->margin())
            .arg(cell->indent())
            .arg(cell->wordWrap())
            .arg(int(cell->layoutDirection()))
            .arg(quintptr(cell->style()), 0, 16) +
        cell->text();
    QPixmap picture;
    if (QPixmapCache::find(key, &picture))
        return picture;
    m_model.setPalette(palette);
    m_model.setFont(cell->font());
    m_model.setFrameStyle(cell->frameStyle());
    m_model.setLineWidth(cell->lineWidth());
    m_model.setAlignment(cell->alignment());
    m_model.setEnabled(cell->isEnabled());
    m_model.setMargin(cell->margin());
    m_model.setIndent(cell->indent());
    m_model.setWordWrap(cell->wordWrap());
    m_model.setLayoutDirection(cell->layoutDirection());
    if (m_model.style() != cell->style())
        m_model.setStyle(cell->style());
    m_model.setAutoFillBackground(cell->autoFillBackground());
    m_model.setText(cell->text());
    m_model.resize(cell->size());
    const qreal ratio = cell->devicePixelRatioF();
    picture = QPixmap(cell->size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(palette.color(QPalette::Window));
    m_model.render(&picture, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    QPixmapCache::insert(key, picture);
    return picture;
}

} // namespace talvor
