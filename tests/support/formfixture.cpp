#include "formfixture.h"

#include "cmdoutput/onlinecheck.h"

#include <QDir>

FormFixture::FormFixture()
{
    QDir(dir.path()).mkpath(QStringLiteral("program"));
    QDir(dir.path()).mkpath(QStringLiteral("Desktop"));
    settings = std::make_unique<SettingsStore>(settingsFile());
    services.programFolder = QDir::toNativeSeparators(programDir());
    const QString desktop =
        QDir::toNativeSeparators(dir.filePath(QStringLiteral("Desktop"))) + QDir::separator();
    services.desktopFolder = [desktop] { return desktop; };
    services.drawHomePageNumber = [] { return 1; };
    services.openUrl = [this](const QUrl& url) {
        openedUrls.append(url);
        return true;
    };
    services.endProcess = [this] { ++endProcessCalls; };
    // A reply without any network, so that start-up shows no offline message.
    services.onlineCheckCommand =
        QStringLiteral("echo \"64 %1 127.0.0.1: icmp_seq=1 ttl=64\"").arg(onlineReplyMarker());
}

Form1& FormFixture::create(bool runLoad)
{
    form = std::make_unique<Form1>(dialogs, *settings, services);
    if (runLoad)
        form->Form_Load();
    return *form;
}
