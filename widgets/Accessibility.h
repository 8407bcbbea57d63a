#pragma once
// What assistive technology learns of the program's own controls, over AT-SPI as
// over Qt's own interfaces:
// - a value box or status panel (TPanelLabel) gives its caption as name and the
//   text it shows as value and through a text interface, and announces a new text
//   as a text change; the status line has the status-bar role;
// - the RUN/CAL switch (TToggleSwitch) is a focusable toggle button named
//   "CAL mode", checked in CAL, with the mode it shows as value and a toggle action;
// - an activity lamp (TLamp) is a text that reads "lit" or "dark", checked
//   when lit, and tells each change;
// - a drop-down list is named by its field, labelled by its caption, with the
//   item (its spoken text where it has one) as value and text, and its list of
//   items as child, selected on the chosen item;
// - a list of rows without branches (QTreeView) is a table of cells that are
//   read and offer no action;
// - the parts of a picture (TShape) and the bevel lines are skipped, but for a
//   part with a name, which tells what the picture shows.
// Installs the factory for these controls; once, whatever the number of calls.
void InstallAccessibleControls();

class QWidget;
// A control's hint, which may run over several lines, is its description in one
// line where it has no description of its own: for the control and every
// control in it, now and whenever a hint changes.
void DescribeByHints(QWidget* root);
