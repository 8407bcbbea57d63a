#pragma once
// The vocabulary both panels are built with: the sizes of their values, edits and
// buttons, and the builders of a button, an edit and a unit label.
#include <QString>

class QLabel;
class QPushButton;
class QWidget;
class TEdit;

constexpr int ValueWidth = 73;
constexpr int ValueHeight = 20;
constexpr int EditHeight = 21;
constexpr int ButtonSize = 21;

// A square button named for the screen reader after what it does (`does`), not its
// one letter. It is never a default button: Enter in an edit sends nothing.
QPushButton* NewButton(QWidget* box, const char* name, const QString& caption, int left, int top,
                       const QString& hint, const QString& does);

// A right-aligned edit of ValueWidth, starting at "0", the buddy of `caption`,
// which is kept clear of it and of `before` (KeepBefore). The screen reader names
// it `holds`, or the caption's text when that is empty.
TEdit* NewEdit(QWidget* box, const char* name, QLabel* caption, int left, int top, const QString& hint,
               const QString& holds = QString(), const QWidget* before = nullptr);

// A unit label after an edit; it starts empty and is filled with the range. With
// a width it is as high as an edit at the edit's top; without one it is as wide
// and as high as the widest unit, " Ohm".
QLabel* NewUnit(QWidget* box, const char* name, int left, int top, int width = 0);

// Shows a unit in its label, condensed (FitLine) when it is wider than the label,
// so that it never reaches into the caption after it.
void SetUnitText(QLabel* unit, const QString& text);
