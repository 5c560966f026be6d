#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include <QWidget>

// Every modal dialog of the program goes through this interface, so that tests can answer them
// without anything waiting on screen.
class Dialogs
{
public:
    enum class Icon { None, Warning };

    virtual ~Dialogs() = default;

    // A modal message box with the OK button only.
    virtual void message(const QString& title, const QString& text, Icon icon) = 0;
    // A modal text prompt with OK and Cancel; the empty string on Cancel.
    virtual QString prompt(const QString& title, const QString& label) = 0;
    // A file-open dialog that allows several files; no names on Cancel.
    virtual QStringList openFileNames(const QString& title, const QStringList& filters) = 0;
    // A folder chooser; the empty string on Cancel.
    virtual QString existingDirectory(const QString& title, const QString& initialFolder) = 0;

    // The plain message box: OK only, no icon, titled with the application title.
    void plainMessage(const QString& text);
};

// The dialogs users see: Qt's message box, input dialog and file dialogs.
class QtDialogs : public Dialogs
{
public:
    void setParentWindow(QWidget* parent) { m_parent = parent; }

    void message(const QString& title, const QString& text, Icon icon) override;
    QString prompt(const QString& title, const QString& label) override;
    QStringList openFileNames(const QString& title, const QStringList& filters) override;
    QString existingDirectory(const QString& title, const QString& initialFolder) override;

private:
    // The parent window while it is shown; none before that.
    QWidget* owner() const;

    QPointer<QWidget> m_parent;
};
