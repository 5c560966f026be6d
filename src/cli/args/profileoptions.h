#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QUrl>

class QCommandLineParser;

namespace cli {

// A saved profile, and signing in to it.
struct ProfileOptions
{
    QString folder; // empty: a private profile, empty at the start and gone at the end
    QUrl login;     // not empty: open a window on it to sign in, and join nothing
};

QList<QCommandLineOption> profileOptions();

// Empty when the options are right, otherwise the usage error to name.
QString readProfileOptions(const QCommandLineParser& parser, ProfileOptions& profile);

} // namespace cli
