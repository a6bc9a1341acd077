#pragma once
// The command line both programs share: --help and --version are answered before anything else
// (no display, no instance check), mistakes end the program with EXIT_USAGE.
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/exitcodes.h"

QStringList ArgumentsOf(int argc, char** argv);

class ProgramCommandLine {
public:
    // `epilogue` follows the options in the help text.
    ProgramCommandLine(const QString& program, const QString& description,
                       const QString& epilogue = {});

    QCommandLineParser& Parser() { return m_parser; }

    // Parses `arguments` (the program's name first). The exit code when the program is to end now:
    // 0 after the help or the version, EXIT_USAGE after a mistake. With `othersAllowed` it only
    // answers the help and the version: a window's first look, before Qt has taken its own
    // options (-platform, -display, ...) out of the arguments.
    std::optional<int> Answer(const QStringList& arguments, bool othersAllowed = false);

    QString HelpText() const;

private:
    const QString m_program;
    const QString m_epilogue;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
};
