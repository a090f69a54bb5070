#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

namespace platform {

// The command line of one of the programs, read before any window system is
// touched, so that --help and --version answer without a display.
//
// --help and --version answer on standard output and end the program with 0;
// an unknown or incomplete option prints the reason and the usage on
// standard error and ends it with 2. The options that Qt's window system
// itself reads (-platform, -style, -display, ...) are accepted and left to it.
class CommandLine
{
public:
    CommandLine(const QString &program, const QString &description);

    // To add the program's own options and positional arguments.
    QCommandLineParser &parser() { return m_parser; }

    // Parses `arguments` (the first one is the program's name). Returns the
    // exit code when the program should end now. Needs a QCoreApplication.
    std::optional<int> process(const QStringList &arguments, QTextStream &out, QTextStream &err);

    // Ends with the usage on standard error: for the program's own checks of
    // what it parsed ("--quality abc").
    int usageError(const QString &reason, QTextStream &err) const;

    // For a program that takes nothing but --help and --version: parses the
    // process's command line with a short-lived QCoreApplication. Returns the
    // exit code when the program should end now.
    static std::optional<int> handle(int &argc, char **argv, const QString &program,
                                     const QString &description);

private:
    QString m_program;
    QCommandLineParser m_parser;
};

} // namespace platform
