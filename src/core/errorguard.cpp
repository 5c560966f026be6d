#include "errorguard.h"

#include "apperror.h"
#include "dialogs.h"

QString ErrorGuard::reportText(const QString& description, const QString& handlerName, int line)
{
    return description + QStringLiteral("\r\nin Quillmere2021/08/31.Form1.") + handlerName +
           QStringLiteral(" at line ") + QString::number(line) +
           QStringLiteral("\r\rPlease email screenshot of this message to ") +
           QLatin1String(SupportEmail);
}

QString describeError(const std::exception& error)
{
    if (const auto* appError = dynamic_cast<const AppError*>(&error))
        return appError->description();
    return QString::fromLocal8Bit(error.what());
}

void ErrorGuard::fail(int line, const QString& description)
{
    m_dialogs.message(QStringLiteral("Application Error"),
                      reportText(description, m_handlerName, line), Dialogs::Icon::Warning);
}
