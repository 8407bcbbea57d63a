#include "ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

QIcon ProgramIcon() {
    const QColor black(0, 0, 0), navy(0, 0, 128), silver(192, 192, 192), gray(128, 128, 128),
        white(255, 255, 255), red(255, 0, 0), lime(0, 255, 0);
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    // The housing, with its terminal strip at the bottom.
    p.setPen(black);
    p.setBrush(navy);
    p.drawRect(4, 1, 23, 29);
    p.setBrush(silver);
    p.drawRect(6, 24, 19, 4);
    p.setPen(gray);
    for (int x = 9; x <= 22; x += 4)
        p.drawLine(x, 25, x, 27);
    // The thermometer: white tube, red column and bulb.
    p.setPen(black);
    p.setBrush(white);
    p.drawRect(9, 4, 5, 14);
    p.setBrush(red);
    p.drawEllipse(8, 15, 7, 7);
    p.setPen(Qt::NoPen);
    p.drawRect(11, 8, 2, 9);
    // The output: a rising signal.
    p.setPen(QPen(lime, 2));
    p.drawLine(17, 19, 20, 12);
    p.drawLine(20, 12, 24, 6);
    p.end();
    return QIcon(pixmap);
}
