#include "core/programcommandline.h"

#include <cstdio>

#include "protocol/programinfo.h"

QStringList ArgumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

ProgramCommandLine::ProgramCommandLine(const QString& program, const QString& description,
                                       const QString& epilogue)
    : m_program(program),
      m_epilogue(epilogue),
      m_help({QStringLiteral("h"), QStringLiteral("help")},
             QStringLiteral("Print this help and end.")),
      m_version({QStringLiteral("v"), QStringLiteral("version")},
                QStringLiteral("Print the program version and end.")) {
    m_parser.setApplicationDescription(description);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
}

QString ProgramCommandLine::HelpText() const {
    // Before an application object exists the parser knows no program name.
    QString text = m_parser.helpText();
    text.replace(QStringLiteral("<executable_name>"), m_program);
    if (!m_epilogue.isEmpty()) text += QLatin1Char('\n') + m_epilogue;
    return text;
}

std::optional<int> ProgramCommandLine::Answer(const QStringList& arguments, bool othersAllowed) {
    if (othersAllowed) m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const bool parsed = m_parser.parse(arguments);
    if (m_parser.isSet(m_help)) {
        std::fputs(qPrintable(HelpText()), stdout);
        return 0;
    }
    if (m_parser.isSet(m_version)) {
        std::printf("%s %s\n", qPrintable(m_program), PROGRAM_VERSION);
        return 0;
    }
    // Whatever else is amiss in a first look is found by the strict one that follows it.
    if (parsed || othersAllowed) return std::nullopt;
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", qPrintable(m_program),
                 qPrintable(m_parser.errorText()), qPrintable(m_program));
    return EXIT_USAGE;
}
