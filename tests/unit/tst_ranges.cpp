// The range tables, the range codes, number formatting and parsing, the output
// value of a DAC code and the folding of the per-code calibration flags.
#include "../../base/MrtError.h"
#include "../../ranges/CalFlags.h"
#include "../../ranges/InRanges.h"
#include "../../ranges/NumberFormat.h"
#include "../../ranges/OutRanges.h"

#include <QTest>
#include <cmath>
#include <limits>

class TstRanges : public QObject {
    Q_OBJECT
private slots:
    // ---- Range codes ----
    void codeRoundTripOverAllCodes() {
        for (unsigned code = 0; code < RangeCodeCount; ++code) {
            int wiring = -7;
            const int range = CodeToRange(code, wiring);
            QVERIFY2(range >= 0 && range < InRangeCount, qPrintable(QString::number(code)));
            QVERIFY(wiring >= 0 && wiring <= 2);
            if (!InRanges[range].HasWiring) QCOMPARE(wiring, 0);
            QCOMPARE(RangeToCode(range, wiring), int(code));
        }
        // Every (range, wiring) the window can select names a distinct code.
        QSet<int> seen;
        for (int range = 0; range < InRangeCount; ++range)
            for (int wiring = 0; wiring < (InRanges[range].HasWiring ? 3 : 1); ++wiring)
                seen.insert(RangeToCode(range, wiring));
        QCOMPARE(seen.size(), RangeCodeCount);
    }

    void rangeToCode_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("wiring");
        QTest::addColumn<int>("code");
        QTest::newRow("first RTD 2-wire") << 11 << 0 << 11;
        QTest::newRow("first RTD 3-wire") << 11 << 1 << 12;
        QTest::newRow("first RTD 4-wire") << 11 << 2 << 13;
        QTest::newRow("resistance 4-wire is the last triple code") << 19 << 2 << 37;
        QTest::newRow("thermocouple ignores wiring") << 3 << 2 << 3;
        QTest::newRow("linear mV ignores wiring") << 20 << 1 << 38;
        QTest::newRow("potentiometer") << 21 << 2 << 39;
        QTest::newRow("no wiring selection counts as 2-wire") << 14 << -1 << 20;
        QTest::newRow("no range selection") << -1 << 0 << 0;
        QTest::newRow("range past the table") << 22 << 0 << 0;
    }
    void rangeToCode() {
        QFETCH(int, range);
        QFETCH(int, wiring);
        QFETCH(int, code);
        QCOMPARE(RangeToCode(range, wiring), code);
    }

    void codeToRange_data() {
        QTest::addColumn<uint>("code");
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("wiring");
        QTest::newRow("last thermocouple") << 10u << 10 << 0;
        QTest::newRow("first RTD, 3-wire") << 12u << 11 << 1;
        QTest::newRow("Cu10 2-wire") << 32u << 18 << 0;
        QTest::newRow("resistance 4-wire") << 37u << 19 << 2;
        QTest::newRow("linear mV") << 38u << 20 << 0;
        QTest::newRow("potentiometer") << 39u << 21 << 0;
        QTest::newRow("first code past the table") << 40u << 0 << 0;
        QTest::newRow("largest byte") << 255u << 0 << 0;
        QTest::newRow("huge code") << 0xFFFFFFFFu << 0 << 0;
    }
    void codeToRange() {
        QFETCH(uint, code);
        QFETCH(int, range);
        QFETCH(int, wiring);
        int gotWiring = -7; // always written
        QCOMPARE(CodeToRange(code, gotWiring), range);
        QCOMPARE(gotWiring, wiring);
    }

    // ---- Tables ----
    void inputRowsShownThroughTheirFormats_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fullScale");
        QTest::addColumn<QString>("euMin");
        QTest::addColumn<QString>("euMax");
        QTest::newRow("B") << 0 << "T/C Type B" << QString::fromUtf8("13820 µV")
                           << QString::fromUtf8("500.0 °C") << QString::fromUtf8("1820.0 °C");
        QTest::newRow("J") << 2 << "T/C Type J" << QString::fromUtf8("69555 µV")
                           << QString::fromUtf8("-210.0 °C") << QString::fromUtf8("1200.0 °C");
        QTest::newRow("Pt100 385") << 11 << "Pt100 (385)"
                                   << "375.70 Ohm" << QString::fromUtf8("-200.0 °C")
                                   << QString::fromUtf8("800.0 °C");
        QTest::newRow("Pt500 rounds up")
            << 13 << "Pt500 (385)"
            << "1616.51 Ohm" << QString::fromUtf8("-200.0 °C") << QString::fromUtf8("630.0 °C");
        QTest::newRow("Pt100 3916 rounds to two places")
            << 15 << "Pt100 (3916)"
            << "327.07 Ohm" << QString::fromUtf8("-200.0 °C") << QString::fromUtf8("630.0 °C");
        QTest::newRow("Ni120") << 17 << "Ni120 (672)"
                               << "380.391 Ohm" << QString::fromUtf8("-80.0 °C")
                               << QString::fromUtf8("260.0 °C");
        QTest::newRow("Cu10 single below 19.115")
            << 18 << "Cu10 (427)"
            << "19.115 Ohm" << QString::fromUtf8("-100.0 °C") << QString::fromUtf8("260.0 °C");
        QTest::newRow("Resistance") << 19 << "Resistance"
                                    << "10000 Ohm"
                                    << "0 Ohm"
                                    << "10000 Ohm";
        QTest::newRow("Linear mV") << 20 << "Linear mV"
                                   << "4000 mV"
                                   << "0 mV"
                                   << "4000 mV";
        QTest::newRow("Potentiometer") << 21 << "Potentiometer"
                                       << "10000 Ohm"
                                       << "0 Ohm"
                                       << "10000 Ohm";
    }
    void inputRowsShownThroughTheirFormats() {
        QFETCH(int, range);
        QFETCH(QString, name);
        QFETCH(QString, fullScale);
        QFETCH(QString, euMin);
        QFETCH(QString, euMax);
        const IRange& row = InRanges[range];
        QCOMPARE(row.Name, name);
        QCOMPARE(FormatFloat(row.RawFullScale, row.RawFormat, row.RawUnit), fullScale);
        QCOMPARE(FormatFloat(row.EuMin, row.EngFormat, row.EngUnit), euMin);
        QCOMPARE(FormatFloat(row.EuMax, row.EngFormat, row.EngUnit), euMax);
    }

    void inputTableIsHeldInSingles() {
        // The stored values are the nearest singles, not the decimals.
        QCOMPARE(double(InRanges[11].RawFullScale), 375.70001220703125);
        QVERIFY(double(InRanges[18].RawFullScale) < 19.115);
        QCOMPARE(InRanges[18].RawFullScale, 19.115f);
        int wired = 0;
        for (const IRange& row : InRanges) {
            QVERIFY(row.RawUnit.startsWith(QLatin1Char(' ')) && row.EngUnit.startsWith(QLatin1Char(' ')));
            QVERIFY2(row.EuMin < row.EuMax, qPrintable(row.Name));
            wired += row.HasWiring;
        }
        QCOMPARE(wired, 9);
        QCOMPARE(InRanges[0].RawUnit, QString::fromUtf8(" \u00B5V"));
        QCOMPARE(InRanges[0].EngUnit, QString::fromUtf8(" \u00B0C"));
    }

    // ---- Number formatting and parsing ----
    void formatFloat_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::newRow("half rounds away from zero") << 2.5 << "0"
                                                    << "3";
        QTest::newRow("negative half away from zero") << -2.5 << "0"
                                                      << "-3";
        QTest::newRow("exact binary half at two places") << 0.125 << "0.00"
                                                         << "0.13";
        QTest::newRow("negative exact binary half") << -0.125 << "0.00"
                                                    << "-0.13";
        QTest::newRow("small negative is no -0") << -0.04 << "0.0"
                                                 << "0.0";
        QTest::newRow("negative zero") << -0.0 << "0.000"
                                       << "0.000";
        QTest::newRow("tiny negative integer pattern") << -0.4 << "0"
                                                       << "0";
        QTest::newRow("leading zero kept") << 0.05 << "0.000"
                                           << "0.050";
        QTest::newRow("small negative keeps its sign") << -0.05 << "0.00"
                                                       << "-0.05";
        QTest::newRow("no grouping") << 1234567.0 << "0"
                                     << "1234567";
        QTest::newRow("rounding carries into the integer") << 9.9996 << "0.000"
                                                           << "10.000";
        QTest::newRow("unit follows") << 12.5 << "0.000 mA"
                                      << "12.500 mA";
        QTest::newRow("unit with pattern characters is literal") << 5.0 << "0 0.5x"
                                                                 << "5 0.5x";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "0.0 V"
                                      << "NAN V";
        QTest::newRow("infinity") << -std::numeric_limits<double>::infinity() << "0.0"
                                  << "-INF";
        QTest::newRow("too large for the digits") << 1e20 << "0"
                                                  << "100000000000000000000";
    }
    void formatFloat() {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QCOMPARE(FormatFloat(value, pattern), text);
    }

    void strToSingle_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<float>("value");
        QTest::newRow("plain") << "12.5" << true << 12.5f;
        QTest::newRow("negative") << "-200" << true << -200.0f;
        QTest::newRow("trailing point") << "5." << true << 5.0f;
        QTest::newRow("empty") << "" << false << 0.0f;
        QTest::newRow("comma decimal") << "1,5" << false << 0.0f;
        QTest::newRow("group separator") << "1,000" << false << 0.0f;
        QTest::newRow("blank before") << " 12.5" << false << 0.0f;
        QTest::newRow("blank after") << "12.5 " << false << 0.0f;
        QTest::newRow("exponent") << "1.5e3" << true << 1500.0f;
        QTest::newRow("letters after") << "12abc" << false << 0.0f;
        QTest::newRow("lone minus") << "-" << false << 0.0f;
        QTest::newRow("nan") << "nan" << false << 0.0f;
        QTest::newRow("inf") << "inf" << false << 0.0f;
        QTest::newRow("beyond a single") << "1e39" << false << 0.0f;
        QTest::newRow("beyond a double") << "1e400" << false << 0.0f;
    }
    void strToSingle() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(float, value);
        try {
            const float got = StrToSingle(text);
            QVERIFY2(valid, qPrintable(QStringLiteral("accepted as %1").arg(got)));
            QCOMPARE(got, value);
        } catch (const EMrtError& e) {
            QVERIFY2(!valid, qPrintable(e.Message));
            QCOMPARE(e.Message, QStringLiteral("'%1' is not a valid floating point value").arg(text));
        }
    }

    // ---- Output value ----
    void calcOutput_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("zero");
        QTest::addColumn<int>("full");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("voltage between") << 0 << 1000 << 61000 << 46000 << "5.000 V";
        QTest::newRow("voltage at zero code") << 0 << 1000 << 61000 << 1000 << "-10.000 V";
        QTest::newRow("voltage at full code") << 0 << 1000 << 61000 << 61000 << "10.000 V";
        QTest::newRow("voltage beyond full") << 0 << 1000 << 61000 << 64000 << "11.000 V";
        QTest::newRow("voltage below zero code") << 0 << 1000 << 61000 << 0 << "-10.333 V";
        QTest::newRow("current") << 1 << 0 << 40000 << 10000 << "5.000 mA";
        QTest::newRow("current at 0 is not -0") << 1 << 100 << 40100 << 100 << "0.000 mA";
        QTest::newRow("falling line at zero code") << 0 << 61000 << 1000 << 61000 << "-10.000 V";
        QTest::newRow("falling line at full code") << 0 << 61000 << 1000 << 1000 << "10.000 V";
        QTest::newRow("full code equals zero code") << 0 << 30000 << 30000 << 30000 << "N/A";
        QTest::newRow("both codes 0") << 1 << 0 << 0 << 65535 << "N/A";
        QTest::newRow("extreme codes") << 1 << 0 << 1 << 65535 << "1310700.000 mA";
    }
    void calcOutput() {
        QFETCH(int, range);
        QFETCH(int, zero);
        QFETCH(int, full);
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(OutputText(range, CalcOutput(range, zero, full, code)), text);
    }

    void outputTable() {
        QCOMPARE(OutRanges[0].Name, QString::fromUtf8("\u00B110 V"));
        QCOMPARE(OutRanges[1].Name, QStringLiteral("0-20 mA"));
        QCOMPARE(OutRanges[0].Unit, QStringLiteral("V"));
        QCOMPARE(OutRanges[1].Unit, QStringLiteral("mA"));
    }

    // ---- Folding the calibration flags ----
    void foldCalFlags_data() {
        QTest::addColumn<uint>("zeroLow");
        QTest::addColumn<uint>("zeroHigh");
        QTest::addColumn<uint>("fullLow");
        QTest::addColumn<uint>("fullHigh");
        QTest::addColumn<uint>("zeroSet");
        QTest::addColumn<uint>("fullSet");
        const uint all22 = (1u << 22) - 1;
        QTest::newRow("nothing calibrated") << 0u << 0u << 0u << 0u << 0u << 0u;
        QTest::newRow("thermocouples only") << 0x7FFu << 0u << 0u << 0u << 0x7FFu << 0u;
        QTest::newRow("Pt100 lacks 4-wire") << 0x1800u << 0u << 0u << 0u << 0u << 0u;
        QTest::newRow("Pt100 all three wirings") << 0x3800u << 0u << 0u << 0u << (1u << 11) << 0u;
        QTest::newRow("Ni120 takes the top low bits") << 0xE0000000u << 0u << 0u << 0u << (1u << 17) << 0u;
        QTest::newRow("Cu10 from the high word") << 0u << 0x7u << 0u << 0u << (1u << 18) << 0u;
        QTest::newRow("linear mV alone") << 0u << 0x40u << 0u << 0u << (1u << 20) << 0u;
        QTest::newRow("unused high bits count for nothing")
            << 0u << 0xFFFFFF00u << 0u << 0xFFFFFF00u << 0u << 0u;
        QTest::newRow("everything") << 0xFFFFFFFFu << 0xFFu << 0xFFFFFFFFu << 0xFFu << all22 << all22;
        QTest::newRow("full words are separate")
            << 0u << 0u << 0x1u << 0x80u << 0u << ((1u << 0) | (1u << 21));
        QTest::newRow("low word does not reach the high ranges")
            << 0xFFFFFFFFu << 0u << 0u << 0u << 0x3FFFFu << 0u;
    }
    void foldCalFlags() {
        QFETCH(uint, zeroLow);
        QFETCH(uint, zeroHigh);
        QFETCH(uint, fullLow);
        QFETCH(uint, fullHigh);
        QFETCH(uint, zeroSet);
        QFETCH(uint, fullSet);
        uint32_t zero = 0xDEAD, full = 0xBEEF;
        FoldCalFlags(zeroLow, zeroHigh, fullLow, fullHigh, zero, full);
        QCOMPARE(uint(zero), zeroSet);
        QCOMPARE(uint(full), fullSet);
    }

    void foldMissingAnyOneCodeClearsItsRange() {
        // Dropping any single code from "all calibrated" clears exactly that code's range.
        const uint64_t all = (uint64_t(1) << 40) - 1;
        for (int code = 0; code < RangeCodeCount; ++code) {
            const uint64_t flags = all & ~(uint64_t(1) << code);
            uint32_t zero = 0, full = 0;
            FoldCalFlags(uint32_t(flags), uint32_t(flags >> 32), uint32_t(all), uint32_t(all >> 32), zero,
                         full);
            int wiring = 0;
            const int range = CodeToRange(unsigned(code), wiring);
            QCOMPARE(zero, ((1u << 22) - 1) & ~(1u << range));
            QCOMPARE(full, (1u << 22) - 1);
        }
    }
};

QTEST_GUILESS_MAIN(TstRanges)
#include "tst_ranges.moc"
