#include "VantlerCommandLine.h"

#include "CommandLine.h"
#include "ProgramInfo.h"
#include "VantlerConversion.h"

#include <QCoreApplication>
#include <QFile>

namespace VantlerCommandLine {

namespace {

constexpr int DefaultQuality = VantlerConversion::DefaultQuality;

} // namespace

std::optional<int> handle(const QStringList &arguments, const QString &programFolder,
                          QTextStream &out, QTextStream &err)
{
    platform::CommandLine commandLine(
        QStringLiteral("Vantler"),
        QStringLiteral("Converts a Windows bitmap file into a JPEG file.\n"
                       "Without files, Vantler opens its window."));
    QCommandLineParser &parser = commandLine.parser();
    const QCommandLineOption quality({QStringLiteral("q"), QStringLiteral("quality")},
                                     QStringLiteral("JPEG quality from 0 to 100 (default 100)."),
                                     QStringLiteral("N"), QString::number(DefaultQuality));
    parser.addOption(quality);
    parser.addPositionalArgument(
        QStringLiteral("BITMAP JPEG"),
        QStringLiteral("The bitmap to convert and the JPEG file to write (replaced if it exists)."),
        QStringLiteral("[BITMAP JPEG]"));
    if (const auto exitCode = commandLine.process(arguments, out, err))
        return exitCode;

    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        if (parser.isSet(quality))
            return commandLine.usageError(QStringLiteral("--quality needs a BITMAP and a JPEG."),
                                          err);
        return std::nullopt;
    }
    if (files.size() != 2)
        return commandLine.usageError(QStringLiteral("Give one BITMAP and one JPEG."), err);

    bool number = false;
    const int value = parser.value(quality).toInt(&number);
    if (!number || value < 0 || value > 100)
        return commandLine.usageError(
            QStringLiteral("The quality must be a whole number from 0 to 100, not \"%1\".")
                .arg(parser.value(quality)),
            err);

    if (files.at(0).isEmpty() || files.at(1).isEmpty())
        return commandLine.usageError(QStringLiteral("A file name is empty."), err);

    VantlerConversion::Request request;
    request.bmp = QFile::encodeName(files.at(0)).toStdString();
    request.jpg = QFile::encodeName(files.at(1)).toStdString();
    request.quality = value;
    const VantlerConversion::Outcome outcome =
        VantlerConversion::convert(QFile::encodeName(programFolder).toStdString(), request);
    if (!outcome.errorLine.empty()) {
        err << QString::fromLocal8Bit(outcome.errorLine.c_str());
        err.flush();
    }
    return outcome.exitCode;
}

std::optional<int> run(int &argc, char **argv)
{
    const QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return handle(QCoreApplication::arguments(), platform::ProgramInfo::programFolder(), out, err);
}

} // namespace VantlerCommandLine
