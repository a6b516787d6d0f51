// SPDX-License-Identifier: GPL-3.0-or-later
// What one repaint every 50 ms costs on its own: a window of the tester's size with one child
// as large as the traffic log's viewport, which a 50 ms timer marks for repainting. It paints
// nothing but its background, so its CPU share is what Qt and the display server take for the
// repaint the tester makes on every poll that brings bytes, before any work of the tester's own.
// Started by bench/linerate.sh.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(980, 570);
    QWidget log(&window);
    log.setGeometry(770, 97, 169, 455);
    log.setAutoFillBackground(true);
    window.show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &log, qOverload<>(&QWidget::update));
    poll.start(50);
    return app.exec();
}
