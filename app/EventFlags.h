#pragma once
// The four event flags of the window, all false when the program starts.
//   FormReady    start-up has finished; the calibration lists colour their cells
//   InEventsOn   a user's change of cmbInpRanges or cmbWiring sends a request
//   OutEventsOn  a user's change of cmbOutRanges, seOutZero or seOutFull sends one
//   FullMode     full mode has been entered; calibration controls may be enabled
// The presentations clear InEventsOn/OutEventsOn while they set combo boxes and
// spin edits themselves, so that only the user's changes send requests.
extern bool FormReady;
extern bool InEventsOn;
extern bool OutEventsOn;
extern bool FullMode;
