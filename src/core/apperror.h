#pragma once

#include <QString>
#include <stdexcept>

// A failure that the error report box shows: a description and, like the runtime errors users
// quote in their reports, a number.
class AppError : public std::runtime_error
{
public:
    AppError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), m_number(number),
          m_description(description)
    {
    }
    explicit AppError(const QString& description) : AppError(0, description) {}

    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};
