#pragma once

#include <QString>
#include <stdexcept>

namespace tarnwell {

// A run-time error of the program: the serial layer, a number conversion or the settings file
// failed. The description is plain text for the person at the keyboard; the trapping handlers
// show it in the error dialog.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description) {}

    QString description() const { return m_description; }

private:
    QString m_description;
};

// The device vanished while an operation used it. The serial control has closed it and said
// so through its lost signal, so the trapping handlers end the operation without a second dialog.
class PortLostError : public Error {
public:
    using Error::Error;
};

} // namespace tarnwell
