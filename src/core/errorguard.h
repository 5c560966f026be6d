#pragma once

#include <QString>

#include <exception>
#include <utility>

class Dialogs;

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
        try {
            std::forward<Statement>(statement)();
            return true;
        } catch (const std::exception& error) {
            fail(number, describe(error));
        } catch (...) {
            fail(number, QStringLiteral("Unknown error"));
        }
        return false;
    }

    // Reports a statement that failed out of line (one whose result arrives later), as line()
    // would have.
    void fail(int line, const QString& description);

    // The report box text exactly as users see it.
    static QString reportText(const QString& description, const QString& handlerName, int line);

private:
    static QString describe(const std::exception& error);

    Dialogs& m_dialogs;
    QString m_handlerName;
};
