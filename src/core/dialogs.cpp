#include "dialogs.h"

#include "apptitle.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <limits>

void Dialogs::plainMessage(const QString& text)
{
    message(appTitle(), text, Icon::None);
}

QWidget* QtDialogs::owner() const
{
    // A dialog centres itself over its parent even while that is hidden, wherever the hidden
    // window happens to lie; without a parent it centres on the screen.
    return m_parent && m_parent->isVisible() ? m_parent.data() : nullptr;
}

void QtDialogs::message(const QString& title, const QString& text, Icon icon)
{
    QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, title, text,
                    QMessageBox::Ok, owner());
    box.exec();
}

QString QtDialogs::prompt(const QString& title, const QString& label)
{
    QInputDialog dialog(owner());
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setInputMode(QInputDialog::TextInput);
    // An address can be longer than the line edit's default limit of 32767 characters.
    if (auto* edit = dialog.findChild<QLineEdit*>())
        edit->setMaxLength(std::numeric_limits<int>::max());
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

QStringList QtDialogs::openFileNames(const QString& title, const QStringList& filters)
{
    return QFileDialog::getOpenFileNames(owner(), title, QString(),
                                         filters.join(QStringLiteral(";;")));
}

QString QtDialogs::existingDirectory(const QString& title, const QString& initialFolder)
{
    return QFileDialog::getExistingDirectory(owner(), title, initialFolder,
                                             QFileDialog::ShowDirsOnly);
}
