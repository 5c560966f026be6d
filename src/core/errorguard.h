#pragma once

#include <QString>

#include <exception>
#include <optional>
#include <utility>

class Dialogs;

// What a failed statement threw, as the error report describes it.
QString describeError(const std::exception& error);

// Runs one statement; the description of what it threw, or nothing when it succeeded.
template <class Statement> std::optional<QString> failureOf(Statement&& statement)
{
    try {
        std::forward<Statement>(statement)();
        return std::nullopt;
    } catch (const std::exception& error) {
        return describeError(error);
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

// Support address quoted at the end of every error report.
inline constexpr char SupportEmail[] = "support@vantrel.example";

// Runs the numbered statements of one guarded handler. A statement that throws is reported in the
// "Application Error" box with the handler's name and the statement's number, and the handler
// then goes on with its next statement.
class ErrorGuard
{
public:
    ErrorGuard(Dialogs& dialogs, QString handlerName)
        : m_dialogs(dialogs), m_handlerName(std::move(handlerName))
    {
    }

    // Runs one statement; false when it failed (and was reported).
    template <class Statement> bool line(int number, Statement&& statement)
    {
        const std::optional<QString> failure = failureOf(std::forward<Statement>(statement));
        if (failure)
            fail(number, *failure);
        return !failure;
    }

    // Reports a statement that failed out of line (one whose result arrives later), as line()
    // would have.
    void fail(int line, const QString& description);

    // The report box text exactly as users see it.
    static QString reportText(const QString& description, const QString& handlerName, int line);

private:
    Dialogs& m_dialogs;
    QString m_handlerName;
};
