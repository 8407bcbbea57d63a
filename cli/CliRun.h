#pragma once
// mrt9dx-cli's command line and one run of it: the arguments are read and
// checked (and a settings file with them) before any port is opened; then the
// command runs on every port at once, each port a TUnitRun of its own, and the
// run ends with the worst exit status of them all.
#include "UnitRun.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QCommandLineParser;
class TClock;
class TRecordStore;
class TTransport;

class TCliRun : public QObject {
    Q_OBJECT
public:
    // Makes the transport of one port (a serial device in the program, the
    // in-memory pipe to the simulator in tests).
    using TTransportMaker = std::function<TTransport*(const QString& port, QObject* parent)>;

    TCliRun(TClock* clock, TTransportMaker makeTransport, QObject* parent = nullptr);
    ~TCliRun() override;

    // Where the run writes: a line or block of standard output, a line of
    // standard error (without line ends).
    std::function<void(const QString&)> Out;
    std::function<void(const QString&)> Err;
    // Reads the settings file of apply ("-" is standard input).
    std::function<QByteArray(const QString& file, QString* error)> ReadFile;
    // The technician's lines for check and calibrate (standard input).
    std::function<void(std::function<void(std::optional<QString>)>)> ReadLine;
    // The store of records when neither --store nor MRT9DX_STORE names one;
    // empty: records.sqlite in the user's data folder.
    QString StoreFallback;

    // Reads the arguments (without the program's name) and starts the run.
    // Returns false when the run is over already (help, a bad argument, `ports`):
    // then Status() holds the exit status and Finished is not raised.
    bool Start(const QStringList& arguments);
    // A stop signal (Ctrl+C, SIGTERM; `signal` its number, 0 for a stop that
    // is no signal): the first stops every port as soon as it can without
    // cutting a command short (TUnitRun::Stop) and says so in one line, a second
    // ends them all at once (TUnitRun::Abort), naming the ports where something
    // may be half-done. Finished follows with 128 plus the first signal's number,
    // so that a shell loop stops too.
    void Stop(int signal = 0);
    // Standard output did not take a write (`reason`, the system's words): one
    // line on standard error, the ports end as on a first stop signal, and the
    // status is at least ExitOutputFailed.
    void OutputFailed(const QString& reason);
    int Status() const;
    // The first stop signal's number, 0 when none came.
    int Signal() const { return StopSignal; }
    const QList<TUnitRun*>& Units() const { return UnitRuns; }

signals:
    void Finished(int status);

private:
    // A bad argument or settings file: one line on standard error, status 2,
    // and with --json anywhere on the line one object with status, kind
    // (`usage` or `file`) and error on standard output.
    bool Fail(const QString& message, const QString& kind = QStringLiteral("usage"));
    bool Help(const QString& text);
    // check or calibrate: the commands with a calibration job and a record.
    bool Calibrates() const {
        return Job.Command == TCliJob::TCommand::Check || Job.Command == TCliJob::TCommand::Calibrate;
    }
    // The steps of Start after the command's own options; each false after Fail.
    bool ListPorts(bool portGiven, int arguments);
    bool ReadWatchOptions(const QString& interval, const QString& count);
    bool ReadApplyAndDumpOptions(const QCommandLineParser& parser);
    bool ReadSettingsArgument(const QString& name);
    bool CheckPorts(const QString& command, QStringList& ports);
    bool StoreCommand(bool portGiven, const QStringList& positional);
    // check and calibrate with --unit: the store reached, the certificate
    // number reserved in it and the unit's history read, before anything is sent.
    bool OpenStore(const QString& given);
    // The run's record into the store; false when it could not be kept.
    bool KeepRecord();
    void StartUnits(const QStringList& ports);
    void UnitFinished();
    void WriteHeader();
    // The results as text; `several`: more than one port.
    QString ResultText(bool several) const;
    void WriteOutputFile();
    TClock* Clock;
    TTransportMaker MakeTransport;
    TCliJob Job;
    QList<TUnitRun*> UnitRuns;
    std::unique_ptr<TRecordStore> Store; // the run's records go there
    int ExitStatus = ExitDone;
    int Remaining = 0;
    int StopsAsked = 0;
    int StopSignal = 0; // the first stop signal's number
    bool OutFailed = false;
    bool JsonWanted = false; // --json anywhere before "--"
    // dump -o: the file, and why it was not written (FileFailed: the write failed).
    QString OutputFile;
    QString FileError;
    bool FileFailed = false;

    // watch: each port's header, and the lines that came before the joint one.
    QHash<TUnitRun*, QString> Headers;
    QStringList HeldLines;
    bool HeaderWritten = false;
};

// The worse of two exit statuses, from the least to the most severe: done,
// bad input, differs, refused, not checked (no port, no or a broken answer,
// stopped before the verdict), standard output failed, ended by a signal
// (128 plus its number). A unit that was not checked is never hidden behind one
// that differs.
int WorseStatus(int a, int b);

// The most lines a watch may be asked for.
constexpr int MaxWatchCount = 1000000;

// The `ports` command: one line per COM number the port dialog offers.
QStringList PortLines();
// The same as one JSON array of objects: com, device, description, state.
QString PortsJson();
// The error line of a port that did not open with `message`, in the companion's
// words: "there is no /dev/ttyUSB8", the dialout advice only where it helps.
QString OpenErrorText(const QString& port, const QString& message);
