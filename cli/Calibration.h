#pragma once
// `check` and `calibrate`: a unit checked at test points (as found), corrected
// (input zero and full scale, output DAC codes), checked again (as left), and a
// record of it all as JSON and as a printable certificate.
//
// A TCalRun is the command's state machine inside one TUnitRun: it sends its
// requests through the unit's Ask, waits on the unit's clock (settling reads)
// and on lines from the technician or the rig (TCalJob::ReadLine), prints its
// table and prompts as lines, and ends the unit's run with its status.
#include "../link/Messages.h"
#include "Bench.h"
#include "RecordStore.h"
#include "Tolerance.h"

#include <QCommandLineOption>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

class QCommandLineParser;
class QSocketNotifier;
class TClock;
struct TReply;

struct TCalJob {
    bool CheckBefore = false; // check, or the as-found check before a calibration
    bool CalInput = false;
    bool CalOutput = false;
    bool CheckAfter = false;                                       // the as-left check after the calibration
    QList<double> Points{0, 25, 50, 75, 100};                      // % of the programmed span
    TTolerance Tolerance{0.25, 0, 0, {}, QStringLiteral("0.25%")}; // the input's
    std::optional<TTolerance> OutputTolerance;                     // the output's; the input's when none
    std::optional<TTolerance> AdjustOver; // --as-left-after adjusts only when an as-found error exceeds it
    bool Applied = false;                 // --applied: values a line, no prompts for them
    bool AppliedFromInput = false;        // --applied -: those lines come from ReadLine
    QStringList AppliedLines;             // --applied FILE, read before anything is sent
    bool Meter = false;                   // ask for the meter's reading of the output at each point
    QString ReferenceId, By, RecordFile, CertificateFile;
    std::optional<TCalBench> Bench;
    QString BenchFile;
    TDecisionRule Rule = TDecisionRule::Simple;
    QString UnitTag, Customer;
    int IntervalDays = 0; // 0: none given
    // The certificate's number, set by whoever keeps the records; the run makes
    // none up: without one the certificate says it has none.
    QString CertificateNumber;
    // The unit's earlier runs in the store, for the history on its certificate.
    QList<TStoredRun> History;
    bool SwitchMode = false;     // switch a unit in RUN mode to CAL and back
    bool Yes = false;            // write without asking
    double TrimTolerance = 0.01; // % of the output range's span
    int MaxSteps = 10;
    int SettleLimitMs = 10000;
    double AdjustLimit = 10; // % of span: how near the applied value a reading must come
    // Hands the next line of the technician's input to the callback, or nothing
    // at its end. The callback may come at once or later.
    std::function<void(std::function<void(std::optional<QString>)>)> ReadLine;
};

// The usage lines and help texts of the two commands.
extern const char* const CheckUsage;
extern const char* const CheckHelp;
extern const char* const CalibrateUsage;
extern const char* const CalibrateHelp;

// The options of check and calibrate, and their reading into a job. `what` is
// calibrate's argument (input, output or input,output); readFile reads --applied FILE.
QList<QCommandLineOption> CalOptions(bool check);
bool ParseCalJob(bool check, const QCommandLineParser& parser, const QStringList& args,
                 const std::function<QByteArray(const QString&, QString*)>& readFile, TCalJob& job,
                 QString* error);

// What keeps the companion from writing the file `name` (empty when it can):
// a target that exists and is not a regular file, a missing or closed folder.
QString FileTargetProblem(const QString& name);
// Writes `data` to the file `name` beside it and renames it over the old one
// only when every byte is written and flushed; on a failure the old file stays.
bool WriteFileSafely(const QString& name, const QByteArray& data, QString* error);

// The certificate of a record as one HTML page; with `history` (HistoryJson of
// the unit's runs up to this one) of more than one run, a plot and table of it.
QString CertificateHtml(const QJsonObject& record, const QJsonArray& history = {});

// How many reads in a row must agree, how far apart, and their spacing.
constexpr int SteadyReads = 3;
constexpr int SteadyIntervalMs = 250;
// True when the last SteadyReads values lie within one step of the display's
// resolution (`decimals` places) of each other.
bool IsSteady(const QList<double>& values, int decimals);
// The next DAC code of a trim towards `target`: from the last two (code,
// reading) pairs by the secant, from one with the nominal slope (signal per code).
int NextTrimCode(const QList<QPair<int, double>>& steps, double target, double nominalSlope);

class TCalRun : public QObject {
    Q_OBJECT
public:
    using THandler = std::function<void(const QByteArray&)>;
    using TOnReply = std::function<void(const TReply&)>;
    // Sends a request and hands its verdict to the callback.
    using TAsk = std::function<void(const QByteArray&, TOnReply)>;
    using TFinish = std::function<void(int status, const QString& error)>;

    TCalRun(const QString& port, const TCalJob& job, TClock* clock, TAsk ask, TFinish finish,
            QObject* parent = nullptr);
    void Start();
    // Ctrl+C: ends at the next step, the unit put back as on every end.
    void Stop();
    // A second Ctrl+C: ends at once; the record says the unit was not put back.
    void Abort();
    // The port failed while nothing was out (waiting for the technician).
    void PortFailed(const QString& message);
    QString Result; // the summary for standard output, its last line

    // The record as written to --record.
    QJsonObject Record() const;

    // A test point as measured.
    // An error judged: in the quantity's unit, in % of its span, against the
    // tolerance there with the point's expanded uncertainty.
    struct TJudged {
        double Error = 0, Allowed = 0, Uncertainty = 0;
        TDecision Decision;
    };
    struct TPoint {
        double Percent = 0, Target = 0, Applied = 0, Eng = 0, Ideal = 0;
        std::optional<double> Meter; // the output, measured
        bool Steady = true, Reached = true, Pass = false;
        double EngError = 0;              // % of the input span
        std::optional<double> MeterError; // % of the output span
        TJudged In;
        std::optional<TJudged> Out;
        QString Verdict;
        float Ta = 0, TCal = 0;
    };

signals:
    void Line(const QString& line);

private:
    void Tick();
    void After(int ms, std::function<void()> then);
    void WaitLine(std::function<void(std::optional<QString>)> then);
    void NextApplied(const QString& prompt, std::function<void(std::optional<QString>)> then);
    void Confirm(const QString& question, std::function<void(bool)> then);
    void AskNumber(const QString& prompt, bool emptyAllowed, std::function<void(std::optional<double>)> then);
    // A meter reading of the output; one beyond 1.5 times the range is asked again.
    void AskMeter(const QString& prompt, bool emptyAllowed, std::function<void(std::optional<double>)> then);
    // Reads until the reading is steady and, with `target`, within the adjust
    // limit `limit` of it (raw or engineering value), or --settle has passed.
    void WaitSteady(std::optional<double> target, bool raw, double limit,
                    std::function<void(const Msg::TInputReport&, bool steady, bool reached)> then);
    void SteadyRead();
    // Ends the run: the unit put back, the files written, the last line.
    void Fail(int status, const QString& error);
    void PutBack();
    void Close();
    void Send(const QByteArray& request, THandler then);
    void InputEnded(const QString& where);
    bool Stopped();
    double InputLimit(bool raw) const;

    void Phases();
    void AsFound();
    bool AdjustmentNotNeeded() const;
    void SwitchToCal();
    void PutBackBeforeAsLeft();
    void CheckPoint(int index);
    void PointRead(const Msg::TInputReport& in, bool steady, bool reached);
    void CalInputZero();
    void CalInputFull();
    void WriteInputPoint(bool full, double applied, const std::function<void()>& next);
    void SelectProgrammedOutput(const std::function<void()>& then);
    void TrimOutput(bool full);
    void TrimStep(bool full);
    void TrimReading(bool full, double reading);
    void TrimGiveUp(bool full, const QString& why);
    void TrimStore(bool full);
    void TrimStored(bool full, int code);
    TJudged Judge(bool output, double error, double value) const;
    void JudgePoint(TPoint& p) const;
    QString SettingsProblem() const;
    QJsonObject SettingsJson() const;
    QJsonObject CertificateJson() const;
    void AddRanges(QJsonObject& record) const;
    QJsonValue CheckJson(const QList<TPoint>& points, bool asked) const;
    void Done();
    QString TableHeader() const;
    QString TableRow(const TPoint& p) const;
    QJsonArray PointsJson(const QList<TPoint>& points) const;
    bool WriteFiles(QString* error);
    QString Overall() const;
    QString WhatWasWritten() const;

    QString Port;
    TCalJob Job;
    TClock* Clock;
    TAsk Ask;
    TFinish FinishUnit;
    bool Stopping = false;
    bool Ended = false; // the unit is being put back, or the run is over
    bool Complete = false;
    int EndStatus = 0;
    QString EndError;
    QStringList Written; // what reached the unit's memory, in order
    QStringList PutBackLines, NotPutBack;
    bool DacDriven = false; // a cmdSetDac went out and no cmdSetTempOut since
    bool PortGone = false;  // nothing reaches the unit any more
    bool Closed = false;    // the files written and the run's end reported
    QString PendingWrite;   // the write out, as the last line names it
    // The waits on the clock and on a line
    qint64 DueMs = -1;
    std::function<void()> DueAction;
    std::function<void(std::optional<QString>)> LineAction;
    std::optional<std::optional<QString>> LineArrived;
    // The unit
    QString Version;
    Msg::TInputReport InPerm;
    Msg::TOutputReport OutPerm;
    uint8_t StartMode = 0;
    int FoundZeroCode = 0, FoundFullCode = 0; // the output's codes as found
    bool Known = false;                       // the programmed ranges have been read
    bool Switched = false;
    QString StartUtc, EndUtc;
    // The check in progress
    bool AsLeft = false;
    QList<TPoint> Found, Left;
    TPoint Current;
    int PointIndex = 0;
    int TrimCode = 0;
    qint64 SteadySinceMs = 0;
    QList<double> SteadyValues;
    std::optional<double> SteadyTarget;
    bool SteadyRaw = false;
    double SteadyLimit = 0;
    std::function<void(const Msg::TInputReport&, bool, bool)> SteadyThen;
    // The calibration
    QJsonArray Adjustments;
    QJsonObject OpenTrim; // the trim in progress, with its steps
    QList<QPair<int, double>> TrimSteps;
    bool TrimFailed = false;
    int Phase = 0;
    bool NoAdjustment = false; // every as-found error within --adjust-over
};

// Lines of standard input as they come, for TCalJob::ReadLine: the event loop
// goes on (Ctrl+C, the port's timers) while the technician types.
class TStdinLines : public QObject {
    Q_OBJECT
public:
    explicit TStdinLines(QObject* parent = nullptr);
    void Next(std::function<void(std::optional<QString>)> then);

private:
    void Open();
    void Readable();
    void Deliver();
    bool Opened = false;
    QSocketNotifier* Notifier = nullptr;
    QByteArray Buffer;
    bool AtEnd = false;
    std::function<void(std::optional<QString>)> Waiting;
};
