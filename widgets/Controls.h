#pragma once
// Small controls that Qt lacks, each family in its own header: the framed panel
// label, the read-only value label and the label makers (PanelLabel.h), the
// drop-down list with its selection centred (CentredComboBox.h), the edit that
// reports when the focus leaves it (Edit.h), the activity lamp and the shapes of
// the JP6 picture (Shapes.h), and what they share for drawing (Drawing.h).
#include "CentredComboBox.h"
#include "Drawing.h"
#include "Edit.h"
#include "PanelLabel.h"
#include "Shapes.h"
