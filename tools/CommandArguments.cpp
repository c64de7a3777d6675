#include "CommandArguments.h"

#include <cstdio>

TCommandArguments::TCommandArguments(const QStringList& arguments, const QStringList& knownOptions) {
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (optionsEnded || !argument.startsWith('-') || argument == "-")
            m_operands << argument;
        else if (argument == "--")
            optionsEnded = true;
        else if (argument == "--help" || argument == "-h")
            m_help = true;
        else if (knownOptions.contains(argument))
            m_options << argument;
        else
            m_unknown << argument;
    }
}

QString TCommandArguments::Problem(qsizetype operandCount) const {
    if (!m_unknown.isEmpty())
        return QStringLiteral("unknown option %1").arg(m_unknown.first());
    if (m_operands.size() < operandCount)
        return QStringLiteral("missing arguments");
    if (m_operands.size() > operandCount)
        return QStringLiteral("unexpected argument %1").arg(m_operands.value(operandCount));
    return {};
}

void PrintOut(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void PrintError(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}
