// mrt9dx-cli: the command-line companion of mrt9dx-config. It writes nothing but
// standard output and standard error and keeps nothing between runs.
#include "../link/Clock.h"
#include "../link/StopSignals.h"
#include "../link/Transport.h"
#include "CliRun.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {
void Write(FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

QByteArray ReadSettingsFile(const QString& name, QString* error) {
    QFile file;
    const bool opened = name == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *error = file.errorString();
        return {};
    }
    return file.readAll();
}
} // namespace

int main(int argc, char* argv[]) {
    // Ctrl+C ends the ports in order (a watch after its line); a second one at once.
    BlockStopSignals();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mrt9dx-cli"));
    TSteadyClock clock;
    TCliRun run(&clock,
                [](const QString&, QObject* parent) -> TTransport* { return new TSerialTransport(parent); });
    run.Out = [](const QString& text) { Write(stdout, text); };
    run.Err = [](const QString& text) { Write(stderr, text); };
    run.ReadFile = ReadSettingsFile;
    TStdinLines lines;
    run.ReadLine = [&lines](std::function<void(std::optional<QString>)> then) { lines.Next(std::move(then)); };
    QObject::connect(&run, &TCliRun::Finished, &app, [&app](int status) { app.exit(status); });

    TStopSignals stop;
    QObject::connect(&stop, &TStopSignals::Stopped, &run, [&run] { run.Stop(); });

    if (!run.Start(QCoreApplication::arguments().mid(1))) return run.Status();
    return app.exec();
}
