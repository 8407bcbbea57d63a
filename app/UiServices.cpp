#include "UiServices.h"

#include "ComSelect.h"

#include <QApplication>
#include <QMessageBox>

QString ProgramTitle() {
    return QStringLiteral("MRT9-DX Configuration & Calibration");
}

void TQtUiServices::Beep() {
    QApplication::beep();
}

void TQtUiServices::Information(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, ProgramTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

void TQtUiServices::ErrorDialog(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, parent);
    box.exec();
}

void TQtUiServices::GeneralError(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, ProgramTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

bool TQtUiServices::Confirm(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, ProgramTitle(), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool TQtUiServices::SelectPort(QWidget* parent, int& port) {
    TfrmComSelect dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    port = dialog.GetSelectedPort();
    return true;
}
