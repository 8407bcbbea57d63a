// mrt9dx-cli: the command-line companion of mrt9dx-config. It writes nothing but
// standard output, standard error, the files a person names and its store of
// calibration records.
#include "../link/Clock.h"
#include "../link/StopSignals.h"
#include "../link/Transport.h"
#include "CliRun.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#endif

namespace {
// False when the stream did not take the text; errno tells why.
bool Write(FILE* stream, const QString& text) {
    const bool written =
        std::fputs(text.toUtf8().constData(), stream) >= 0 && std::fputc('\n', stream) != EOF;
    return std::fflush(stream) == 0 && written;
}

// The system's text of errno in the program's own style.
QString SystemText(int error) {
    return LowerFirst(QString::fromLocal8Bit(std::strerror(error)));
}

// Reads the settings file ("-": standard input) to its end, at most
// MaxSettingsFileSize bytes. A stop signal ends the program at once while it
// waits here: nothing has been sent yet.
QByteArray ReadSettingsFile(const QString& name, QString* error) {
    const TStopSignalsDefault stoppable;
    const bool input = name == QLatin1String("-");
#ifdef Q_OS_WIN
    const int flags = O_RDONLY | O_BINARY;
#else
    const int flags = O_RDONLY | O_CLOEXEC;
#endif
    const int fd = input ? STDIN_FILENO : ::open(QFile::encodeName(name).constData(), flags);
    if (fd < 0) {
        *error = SystemText(errno);
        return {};
    }
    QByteArray text;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = SystemText(errno);
            break;
        }
        if (n == 0) break;
        text.append(buffer, n);
        if (text.size() > MaxSettingsFileSize) {
            *error = QStringLiteral("larger than %1 KiB, more than any settings file")
                         .arg(MaxSettingsFileSize / 1024);
            break;
        }
    }
    if (!input) ::close(fd);
    return error->isEmpty() ? text : QByteArray();
}
} // namespace

int main(int argc, char* argv[]) {
    if (!OpenClosedStandardDescriptors("mrt9dx-cli")) return ExitOutputFailed;
    // Ctrl+C, SIGTERM, SIGHUP and SIGQUIT end the ports in order (a watch after
    // its line); a second one at once.
    BlockStopSignals();
#ifdef Q_OS_WIN
    // The same bytes as on Linux: UTF-8, lines ended by LF alone, so that a
    // settings file is one file everywhere.
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#else
    // A closed pipe is a failed write, reported as any other: the ports end in order.
    std::signal(SIGPIPE, SIG_IGN);
    // A file past the size limit is a failed write too (the old record stays).
    std::signal(SIGXFSZ, SIG_IGN);
#endif

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mrt9dx-cli"));
    TSteadyClock clock;
    TCliRun run(&clock,
                [](const QString&, QObject* parent) -> TTransport* { return new TSerialTransport(parent); });
    run.Out = [&run](const QString& text) {
        if (!Write(stdout, text)) run.OutputFailed(SystemText(errno));
    };
    run.Err = [](const QString& text) { Write(stderr, text); };
    run.ReadFile = ReadSettingsFile;
    TStdinLines lines;
    run.ReadLine = [&lines](std::function<void(std::optional<QString>)> then) {
        lines.Next(std::move(then));
    };
    QObject::connect(&run, &TCliRun::Finished, &app, [&app](int status) { app.exit(status); });

    TStopSignals stop;
    QObject::connect(&stop, &TStopSignals::Stopped, &run, [&run](int signal) { run.Stop(signal); });

    if (!run.Start(QCoreApplication::arguments().mid(1))) return run.Status();
    const int status = app.exec();
    // Every port has ended in order: a stop signal now ends the program as
    // the shell around it expects.
    if (run.Signal()) {
        std::fflush(nullptr);
        EndBySignal(run.Signal());
    }
    return status;
}
