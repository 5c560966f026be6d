#pragma once

#include "join/content/contentrule.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>

class QCommandLineParser;

namespace cli {

QList<QCommandLineOption> contentOptions();

// Reads --select, --exclude, --main and --reader into rule. Empty when they are right, otherwise the usage
// error. Whether the browser engine takes the selectors is known only once it runs.
QString readContentOptions(const QCommandLineParser& parser, join::ContentRule& rule);

} // namespace cli
