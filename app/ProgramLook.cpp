#include "ProgramLook.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>

void SetProgramLook() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    QApplication::setFont(font);
}
