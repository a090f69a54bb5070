#include "CommandLine.h"

#include "ProgramInfo.h"

#include <QCoreApplication>
#include <cstdio>

namespace platform {

namespace {

// What QGuiApplication and QApplication read from the command line.
const char *const QtOptionsWithValue[] = {"platform",
                                          "platformpluginpath",
                                          "platformtheme",
                                          "plugin",
                                          "qwindowgeometry",
                                          "geometry",
                                          "qwindowtitle",
                                          "title",
                                          "qwindowicon",
                                          "icon",
                                          "display",
                                          "name",
                                          "session",
                                          "style",
                                          "stylesheet",
                                          "visual",
                                          "im",
                                          "inputstyle",
                                          "qmljsdebugger"};
const char *const QtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

} // namespace

CommandLine::CommandLine(const QString &program, const QString &description) : m_program(program)
{
    m_parser.setApplicationDescription(description);
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    for (const char *name : QtOptionsWithValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        m_parser.addOption(option);
    }
    for (const char *name : QtFlags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        m_parser.addOption(option);
    }
}

std::optional<int> CommandLine::process(const QStringList &arguments, QTextStream &out,
                                        QTextStream &err)
{
    if (!m_parser.parse(arguments))
        return usageError(m_parser.errorText(), err);
    if (m_parser.isSet(QStringLiteral("help")) || m_parser.isSet(QStringLiteral("help-all"))) {
        out << m_parser.helpText();
        out.flush();
        return 0;
    }
    if (m_parser.isSet(QStringLiteral("version"))) {
        out << m_program << ' ' << ProgramInfo::version() << '\n';
        out.flush();
        return 0;
    }
    return std::nullopt;
}

int CommandLine::usageError(const QString &reason, QTextStream &err) const
{
    err << reason << "\n\n" << m_parser.helpText();
    err.flush();
    return 2;
}

std::optional<int> CommandLine::handle(int &argc, char **argv, const QString &program,
                                       const QString &description)
{
    const QCoreApplication application(argc, argv);
    CommandLine commandLine(program, description);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (const auto exitCode = commandLine.process(QCoreApplication::arguments(), out, err))
        return exitCode;
    const QStringList extra = commandLine.parser().positionalArguments();
    if (!extra.isEmpty())
        return commandLine.usageError(QStringLiteral("Unexpected argument: ") + extra.first(), err);
    return std::nullopt;
}

} // namespace platform
