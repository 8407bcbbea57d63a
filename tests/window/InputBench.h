#pragma once
// A window whose transmitter stays silent, so that a test plays the transmitter's
// part with input reports it builds itself.
#include "../../link/Codec.h"
#include "../../link/Commands.h"
#include "../../panels/input/InputPanel.h"
#include "WindowHarness.h"

#include <QPushButton>
#include <QTest>

// The 49-byte input report, field by field.
struct TInReport {
    uint8_t Code = cmdReadPermIn;
    uint8_t Status = 1;
    uint8_t Range = 3; // T/C Type K
    uint8_t Flag = 1;
    float Raw = 4096;
    float Eng = 100.25f;
    float Seebeck = 1234;
    float EuMin = -200;
    float EuMax = 1372;
    uint32_t Words[4] = {};
    float Ta = 24.5f;
    float TCal = 23.0f;
    uint8_t Mode = 0;

    QByteArray Body() const {
        QByteArray b;
        b.append(char(Code)).append(char(Status)).append(char(Range)).append(char(Flag));
        for (float v : {Raw, Eng, Seebeck, EuMin, EuMax})
            Frame::AppendSingle(b, v);
        for (uint32_t w : Words)
            Frame::AppendLong(b, w);
        Frame::AppendSingle(b, Ta);
        Frame::AppendSingle(b, TCal);
        b.append(char(Mode));
        return b;
    }
};

inline TInReport InReport(uint8_t code, uint8_t range, uint8_t flag = 1) {
    TInReport r;
    r.Code = code;
    r.Range = range;
    r.Flag = flag;
    return r;
}

class TInputBench {
public:
    TInputBench() : h(1, false) {
        h.Sim.Faults.Silent = true;
        h.Show();
        h.Advance(5000); // the start-up mode query runs out
        h.TakeWritten();
    }
    TWindowHarness h;
    TfrmMain& w() { return *h.Window; }

    // The transmitter's answer to the request just written.
    void Answer(const QByteArray& body) {
        h.Advance(40);
        h.Transport.Feed(Frame::Encode(body));
    }
    void Answer(const TInReport& report) { Answer(report.Body()); }

    // The user reads the programmed range and the transmitter reports `range`.
    void ReadPerm(uint8_t range, uint8_t flag = 1) {
        QTest::mouseClick(w().In->btnGetPermInpRange, Qt::LeftButton);
        h.TakeWritten();
        Answer(InReport(cmdReadPermIn, range, flag));
        h.TakeWritten();
    }
    // The same after full mode was entered, so that the calibration controls work.
    void ReadPermInFullMode(uint8_t range) {
        h.EnterFullModeByChord();
        ReadPerm(range);
    }
};
