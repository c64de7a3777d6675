#pragma once

#include <QString>
#include <stdexcept>

// A command that cannot do what was asked: the message is shown as it is and the exit status is 1.
class TCommandError : public std::runtime_error {
public:
    explicit TCommandError(const QString& message)
        : std::runtime_error(message.toStdString()) {}
};
