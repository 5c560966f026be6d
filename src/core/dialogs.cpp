#include "dialogs.h"

#include "apptitle.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

void Dialogs::plainMessage(const QString& text)
{
    message(appTitle(), text, Icon::None);
}

void QtDialogs::message(const QString& title, const QString& text, Icon icon)
{
    QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, title, text,
                    QMessageBox::Ok, m_parent);
    box.exec();
}

QString QtDialogs::prompt(const QString& title, const QString& label)
{
    bool accepted = false;
    const QString text =
        QInputDialog::getText(m_parent, title, label, QLineEdit::Normal, QString(), &accepted);
    return accepted ? text : QString();
}

QStringList QtDialogs::openFileNames(const QString& title, const QStringList& filters)
{
    return QFileDialog::getOpenFileNames(m_parent, title, QString(),
                                         filters.join(QStringLiteral(";;")));
}

QString QtDialogs::existingDirectory(const QString& title, const QString& initialFolder)
{
    return QFileDialog::getExistingDirectory(m_parent, title, initialFolder,
                                             QFileDialog::ShowDirsOnly);
}
