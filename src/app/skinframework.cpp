#include "skinframework.h"

#include "core/apperror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

#include <atomic>

namespace {
QtMessageHandler g_previousHandler = nullptr;
std::atomic<bool> g_parseFailed{false};

void catchParseFailure(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("Could not parse stylesheet"))) {
        g_parseFailed = true;
        return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}
} // namespace

void SkinFramework::loadSkin(const QString& path, const QString& schema)
{
    if (!schema.isEmpty())
        throw AppError(5, QStringLiteral("Invalid procedure call or argument"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(75, QStringLiteral("Cannot read the skin file %1").arg(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(75, QStringLiteral("Cannot read the skin file %1").arg(path));
    QStringDecoder utf8(QStringConverter::Utf8);
    QString sheet = utf8.decode(bytes);
    if (utf8.hasError())
        throw AppError(5, QStringLiteral("The skin file %1 is not UTF-8 text").arg(path));
    m_path = path;
    m_sheet = std::move(sheet);
}

bool SkinFramework::styleSheetParses(const QString& sheet)
{
    // Qt's parser is private; a widget polished with a sheet that it rejects only logs this
    // warning, so the sheet is tried on a widget of its own while the warning is caught.
    g_parseFailed = false;
    g_previousHandler = qInstallMessageHandler(catchParseFailure);
    {
        QWidget probe;
        probe.setStyleSheet(sheet);
        probe.ensurePolished();
    }
    qInstallMessageHandler(g_previousHandler);
    return !g_parseFailed;
}

void SkinFramework::applyWindow(QWidget& window)
{
    if (m_options & SkinFolderUrls)
        QDir::setSearchPaths(QStringLiteral("skin"), {QFileInfo(m_path).absolutePath()});
    if (m_strictParsing && !styleSheetParses(m_sheet))
        throw AppError(5,
                       QStringLiteral("The skin file %1 is not a valid style sheet").arg(m_path));
    if (m_fusionBase && window.style()->name() != QLatin1String("fusion")) {
        QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
        fusion->setParent(&window);
        window.setStyle(fusion);
        for (QWidget* control : window.findChildren<QWidget*>())
            control->setStyle(fusion);
    }
    window.setStyleSheet(m_sheet);
}
