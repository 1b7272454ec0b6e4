#pragma once
// Errors of the database engine and of value conversions, carried as exceptions to the one place
// of each user action that reports them.
#include <QString>
#include <stdexcept>

class StoreError : public std::runtime_error {
public:
    explicit StoreError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// A text that should have been a number or a date.
class ConversionError : public StoreError {
public:
    using StoreError::StoreError;
};
