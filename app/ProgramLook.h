#pragma once
// The program's look, the same on every desktop: Qt's Fusion style and an
// 8-point sans-serif font, for which every panel's layout is measured. Group
// boxes draw an etched frame whose top line runs through the middle of the
// caption, with the caption on a gap in the line, so that the controls placed
// from the box's top edge lie inside the frame.
void SetProgramLook();
