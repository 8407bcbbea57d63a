#pragma once
// Small helpers shared by the files of the output panel.
#include "../../ranges/OutRanges.h"
#include "OutputPanel.h"

#include <QComboBox>

// The output range selected in cmbOutRanges, or -1 while nothing valid is
// selected (before the list has been filled).
inline int SelectedOutRow(const QComboBox* combo) {
    const int row = combo ? combo->currentIndex() : -1;
    return row >= 0 && row < OutRangeCount ? row : -1;
}
