#pragma once
// The calibration status lists at the bottom of the input and output panels,
// with the menus that clear a side's flags. The window holds them as
// TfrmMain::CalLists.
#include <QColor>
#include <cstdint>

class QAction;
class QLabel;
class QMenu;
class QTreeWidget;
class QWidget;
class TPanelHost;

class TCalLists {
public:
    explicit TCalLists(TPanelHost& host) : Host(host) {}

    QLabel* lblInpCalStat = nullptr;
    QTreeWidget* lvInpCalStat = nullptr;
    QLabel* lblOutCalStat = nullptr;
    QTreeWidget* lvOutCalStat = nullptr;
    QMenu* popInCal = nullptr;
    QMenu* popOutCal = nullptr;
    QAction* mnuClearInCal = nullptr;
    QAction* mnuClearOutCal = nullptr;

    // Builds the lists in the input and output group boxes.
    void Setup(QWidget* inputBox, QWidget* outputBox);
    void InitInCalStat();
    void InitOutCalStat();
    void ShowInCalStat(uint32_t word1, uint32_t word2, uint32_t word3, uint32_t word4);
    void ShowOutCalStat(uint16_t zeroFlags, uint16_t fullFlags);
    // The paint hook of both lists: the font colour of a cell of column 1 or later.
    QColor lvOutCalStatCustomDrawSubItem(QTreeWidget* list, int row, int column) const;
    void mnuClearInCalClick();
    void mnuClearOutCalClick();

private:
    TPanelHost& Host;
};
