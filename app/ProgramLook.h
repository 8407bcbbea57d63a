#pragma once
// The program's look, the same on every desktop: Qt's Fusion style and an
// 8-point sans-serif font, for which every panel's layout is measured.
void SetProgramLook();
