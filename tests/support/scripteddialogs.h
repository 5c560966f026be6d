#pragma once

#include "core/dialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>

// Answers every dialog at once from queued answers and records what was shown. A dialog with no
// answer queued is cancelled.
class ScriptedDialogs : public Dialogs
{
public:
    struct Shown
    {
        QString kind; // "message", "prompt", "openFiles", "directory"
        QString title;
        QString text; // message text, prompt label, or file filters joined by ";;"
        Icon icon = Icon::None;
    };

    QQueue<QString> promptAnswers;
    QQueue<QStringList> openFileAnswers;
    QQueue<QString> directoryAnswers;
    QList<Shown> shown;

    void message(const QString& title, const QString& text, Icon icon) override;
    QString prompt(const QString& title, const QString& label) override;
    QStringList openFileNames(const QString& title, const QStringList& filters) override;
    QString existingDirectory(const QString& title, const QString& initialFolder) override;

    // Texts of the message boxes shown so far, in order.
    QStringList messages() const;
};
