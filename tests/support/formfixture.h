#pragma once

#include "app/form1.h"
#include "core/settingsstore.h"
#include "scripteddialogs.h"

#include <QTemporaryDir>

#include <memory>

// One main window as a test needs it: scripted dialogs, settings in a temporary folder, a program
// folder of its own, a home-page draw that never hits, an online check answered without any
// network, and no process exit on close.
struct FormFixture
{
    FormFixture();

    // Makes the window (after the test has adjusted services), optionally running start-up.
    Form1& create(bool runLoad = true);

    QString settingsFile() const { return dir.filePath(QStringLiteral("settings.ini")); }
    QString programDir() const { return dir.filePath(QStringLiteral("program")); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<SettingsStore> settings;
    StartupServices services;
    int endProcessCalls = 0;
    QList<QUrl> openedUrls;
    std::unique_ptr<Form1> form;
};
