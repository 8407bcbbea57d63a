#pragma once
// The calibration status lists: the controls, built by TfrmMain and children of its group box;
// the window holds them as TfrmMain::CalLists.
class QAction;
class QLabel;
class QMenu;
class QTreeWidget;

struct TCalLists {
    QLabel* lblInpCalStat = nullptr;
    QTreeWidget* lvInpCalStat = nullptr;
    QLabel* lblOutCalStat = nullptr;
    QTreeWidget* lvOutCalStat = nullptr;
    QMenu* popInCal = nullptr;
    QMenu* popOutCal = nullptr;
    QAction* mnuClearInCal = nullptr;
    QAction* mnuClearOutCal = nullptr;
};
