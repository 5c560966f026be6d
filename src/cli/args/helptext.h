#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QPair>
#include <QString>

namespace cli {

// --help as the command shows it and help2man makes its man page of: the usage line, the
// description, then the options under short headings (finding pages, loading pages, what is
// copied, output, PDF and book; any other last), then the arguments, each text wrapped below its
// column.
QString groupedHelp(const QString& usage, const QString& description,
                    const QList<QCommandLineOption>& options,
                    const QList<QPair<QString, QString>>& arguments);

} // namespace cli
