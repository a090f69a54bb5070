#include "VantlerCommandLine.h"

#include "CommandLine.h"
#include "JpegEncoder.h"
#include "ProgramInfo.h"
#include "VantlerRules.h"
#include "bmp2jpeg.h"

#include <QCoreApplication>
#include <QDir>

namespace VantlerCommandLine {

namespace {

// The window's quality at start.
constexpr int DefaultQuality = 100;

// Which file a failure of the encoder concerns.
QString failedFile(int code, const QString &bmp, const QString &jpg, const QString &programFolder)
{
    switch (code) {
    case platform::JpegEncoder::EncoderMissing:
        return QDir(programFolder).filePath(platform::JpegEncoder::libraryFileName());
    case BMP2JPEG_E_READ:
    case BMP2JPEG_E_NOT_BITMAP:
    case BMP2JPEG_E_DAMAGED:
    case BMP2JPEG_E_UNSUPPORTED:
    case BMP2JPEG_E_TOO_LARGE:
        return bmp;
    default:
        return jpg;
    }
}

int fail(QTextStream &err, const QString &file, const QString &reason)
{
    err << "vantler: " << file << ": " << reason << '\n';
    err.flush();
    return 1;
}

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

    const QString &bmp = files.at(0);
    const QString &jpg = files.at(1);
    if (bmp.isEmpty() || jpg.isEmpty())
        return commandLine.usageError(QStringLiteral("A file name is empty."), err);
    if (VantlerRules::sameFile(bmp, jpg))
        return fail(err, jpg, QStringLiteral("the JPEG file would replace the bitmap"));

    platform::JpegEncoder encoder(programFolder);
    const int code = encoder.bmpToJpeg(bmp, jpg, value);
    if (code != platform::JpegEncoder::Ok)
        return fail(err, failedFile(code, bmp, jpg, programFolder), encoder.errorText(code));
    return 0;
}

std::optional<int> run(int &argc, char **argv)
{
    const QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return handle(QCoreApplication::arguments(), platform::ProgramInfo::programFolder(), out, err);
}

} // namespace VantlerCommandLine
