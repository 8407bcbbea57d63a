#pragma once
// The words of the transmitter's reports as the window and the companion show
// them, in one place so that both always print the same.
#include <QString>

namespace ReportText {
// A calibration flag: "OK" when the point is calibrated, else "UCAL".
QString CalFlag(bool calibrated);
// The invert setting and the alarm switches: "Yes" or "No".
QString YesNo(bool yes);
// The alarm's state and read-back: "Active" or "Inactive".
QString Activity(bool active);
// The operating mode: "CAL" for any mode but 0, which is "RUN".
QString Mode(bool cal);
// What the status line shows when a report's status byte is 0.
QString OperationFailed();
// The status line's success after a write or a report of the output panel or the
// modes: "Success." with its full stop.
QString Success();
// The status line's success after a report of the input panel or the version:
// "Success", without a full stop.
QString SuccessRead();
// An answer the window cannot read: a code it does not know, a report shorter
// than its layout or one naming a range the tables lack.
QString UnknownResponse();
} // namespace ReportText
