#include "scripteddialogs.h"

void ScriptedDialogs::message(const QString& title, const QString& text, Icon icon)
{
    shown.append({QStringLiteral("message"), title, text, icon});
}

QString ScriptedDialogs::prompt(const QString& title, const QString& label)
{
    shown.append({QStringLiteral("prompt"), title, label, Icon::None});
    return promptAnswers.isEmpty() ? QString() : promptAnswers.dequeue();
}

QStringList ScriptedDialogs::openFileNames(const QString& title, const QStringList& filters)
{
    shown.append(
        {QStringLiteral("openFiles"), title, filters.join(QStringLiteral(";;")), Icon::None});
    return openFileAnswers.isEmpty() ? QStringList() : openFileAnswers.dequeue();
}

QString ScriptedDialogs::existingDirectory(const QString& title, const QString& initialFolder)
{
    shown.append({QStringLiteral("directory"), title, initialFolder, Icon::None});
    return directoryAnswers.isEmpty() ? QString() : directoryAnswers.dequeue();
}

QStringList ScriptedDialogs::messages() const
{
    QStringList texts;
    for (const Shown& s : shown)
        if (s.kind == QLatin1String("message"))
            texts.append(s.text);
    return texts;
}
