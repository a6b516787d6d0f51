// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharedcellpicture.h"

#include <QGuiApplication>
#include <QLabel>
#include <QTest>

using talvor::SharedCellPicture;

namespace {

void setUpCell(QLabel *cell, const QColor &background, bool bold)
{
    cell->setFrameStyle(QFrame::Box | QFrame::Plain);
    cell->setAlignment(Qt::AlignCenter);
    QPalette palette = cell->palette();
    palette.setColor(QPalette::Window, background);
    cell->setPalette(palette);
    cell->setAutoFillBackground(true);
    QFont font = cell->font();
    font.setBold(bold);
    cell->setFont(font);
    cell->resize(113, 17);
}

} // namespace

// A cell painted from the shared pictures looks exactly like the label painting itself.
class TestSharedCellPicture : public QObject {
    Q_OBJECT

private slots:
    void looksLikeTheLabel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<bool>("bold");
        QTest::newRow("time") << "21:04:44" << QColor(Qt::white) << false;
        QTest::newRow("empty") << "" << QColor(Qt::white) << false;
        QTest::newRow("other colour") << "21:04:44" << QColor(128, 255, 128) << false;
        QTest::newRow("bold") << "21:04:44" << QColor(Qt::white) << true;
        QTest::newRow("too long") << "FC 01 02 03 04 05 06 07 08 FF" << QColor(Qt::white) << false;
    }

    void looksLikeTheLabel()
    {
        QFETCH(QString, text);
        QFETCH(QColor, background);
        QFETCH(bool, bold);
        QWidget window;
        auto *plain = new QLabel(&window);
        auto *shared = new QLabel(&window);
        auto *neighbour = new QLabel(&window);
        for (QLabel *cell : {plain, shared, neighbour})
            setUpCell(cell, background, bold);
        SharedCellPicture pictures;
        pictures.share(shared);
        pictures.share(neighbour);
        // Pictures of an earlier text, and of this text in a white cell, must not be taken.
        shared->setText(QStringLiteral("21:04:43"));
        shared->grab();
        setUpCell(neighbour, Qt::white, bold);
        neighbour->setText(text);
        neighbour->grab();

        plain->setText(text);
        shared->setText(text);
        QCOMPARE(shared->grab().toImage(), plain->grab().toImage());
        // The label that draws the pictures is no window of its own, not even a hidden one.
        QCOMPARE(QGuiApplication::allWindows().size(), 0);
    }
};

QTEST_MAIN(TestSharedCellPicture)
#include "tst_sharedcellpicture.moc"
