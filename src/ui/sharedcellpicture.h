// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QObject>
#include <QPixmap>

namespace talvor {

// Paints cells that show the same text from one picture. Each second the "Letzte Meldezeit" cells
// of every row that reported change to the same time of day, and laying out that text anew in
// each of up to 48 cells costs more than all the polls of that second. The picture of a cell's
// size, look and text is drawn once, by a hidden label set up like the cell, and copied into
// every such cell; the cells stay ordinary labels with their text for everything else.
class SharedCellPicture : public QObject {
public:
    explicit SharedCellPicture(QObject *parent = nullptr);

    // From now on `cell` is painted from the shared pictures. The pictures are opaque: for cells
    // that fill their background, as the table's cells do.
    void share(QLabel *cell);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPixmap pictureOf(const QLabel *cell);

    QLabel m_model; // never shown: draws the pictures
};

} // namespace talvor
