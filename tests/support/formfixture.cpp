#include "formfixture.h"

#include <QDir>

FormFixture::FormFixture()
{
    QDir(dir.path()).mkpath(QStringLiteral("program"));
    QDir(dir.path()).mkpath(QStringLiteral("Desktop"));
    settings = std::make_unique<SettingsStore>(settingsFile());
    services.programFolder = QDir::toNativeSeparators(programDir());
    const QString desktop = QDir::toNativeSeparators(dir.filePath(QStringLiteral("Desktop")))
                            + QDir::separator();
    services.desktopFolder = [desktop] { return desktop; };
    services.drawHomePageNumber = [] { return 1; };
    services.openUrl = [this](const QUrl& url) {
        openedUrls.append(url);
        return true;
    };
    services.endProcess = [this] { ++endProcessCalls; };
}

Form1& FormFixture::create(bool runLoad)
{
    form = std::make_unique<Form1>(dialogs, *settings, services);
    if (runLoad)
        form->Form_Load();
    return *form;
}
