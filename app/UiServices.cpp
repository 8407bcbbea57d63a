#include "UiServices.h"

#include "ComSelect.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QMessageBox>

namespace {
// Room in a title bar beside its caption: the window's icon, its buttons and
// the margins.
constexpr int TitleBarRoom = 90;

// Shows the box at least as wide as its caption drawn in the desktop's title
// font, bold as title bars draw it, so that the window manager need not cut
// the caption ("MRT9-DX Confi... & Calibration" above a short question).
int ShowBox(QMessageBox& box) {
    QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    title.setBold(true);
    const int width = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + TitleBarRoom;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(),
                      0, 1, grid->columnCount());
    return box.exec();
}
} // namespace

QString ProgramTitle() {
    return QStringLiteral("MRT9-DX Configuration & Calibration");
}

void TQtUiServices::Beep() {
    QApplication::beep();
}

void TQtUiServices::Information(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, ProgramTitle(), text, QMessageBox::Ok, parent);
    ShowBox(box);
}

void TQtUiServices::ErrorDialog(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, parent);
    ShowBox(box);
}

void TQtUiServices::GeneralError(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, ProgramTitle(), text, QMessageBox::Ok, parent);
    ShowBox(box);
}

bool TQtUiServices::Confirm(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, ProgramTitle(), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return ShowBox(box) == QMessageBox::Yes;
}

bool TQtUiServices::SelectPort(QWidget* parent, int& port) {
    TfrmComSelect dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    port = dialog.GetSelectedPort();
    return true;
}
