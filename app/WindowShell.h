#pragma once
// The window's frame: the top strip, the three group boxes, the status bar and
// its lamps, built by TfrmMain; the window holds them as TfrmMain::Shell.
class QFrame;
class QGroupBox;
class QWidget;
class TLamp;
class TStatusBar;

struct TWindowShell {
    QWidget* pnlTop = nullptr;
    QFrame* bvlTop = nullptr;
    QGroupBox* grpGeneral = nullptr;
    QGroupBox* grpInput = nullptr;
    QGroupBox* grpOutput = nullptr;
    TStatusBar* sbMain = nullptr;
    QWidget* pnlLeds = nullptr;
    TLamp* LedTx = nullptr;
    TLamp* LedRx = nullptr;
};
