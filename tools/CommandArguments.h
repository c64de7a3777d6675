#pragma once

#include <QString>
#include <QStringList>

// Splits a command's arguments into options and operands ("--" ends the options) and answers the
// questions every command asks of them.
class TCommandArguments {
public:
    TCommandArguments(const QStringList& arguments, const QStringList& knownOptions);

    bool WantsHelp() const { return m_help; }
    bool Has(const QString& option) const { return m_options.contains(option); }
    const QStringList& Operands() const { return m_operands; }
    // Empty when the arguments fit the command; otherwise what is wrong with them.
    QString Problem(qsizetype operandCount) const;

private:
    QStringList m_options;
    QStringList m_operands;
    QStringList m_unknown;
    bool m_help = false;
};

// Writes text to standard output or standard error, in the system's encoding.
void PrintOut(const QString& text);
void PrintError(const QString& text);
