#pragma once

#include "join/site/sitesetup.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace cli {

// The options that load pages as their reader sees them (cookies, headers, user agent, scroll,
// settle), and the report per address.
struct ReaderOptions
{
    join::SiteSetup site;
    QString reportPath;  // empty: no report
    QString cookiesPath; // empty: no cookies file
};

QList<QCommandLineOption> readerOptions();

// Reads the options (the cookies file too) into reader. Empty when they are right, otherwise the
// usage error to name.
QString readReaderOptions(const QCommandLineParser& parser, ReaderOptions& reader);

// What to tell once, before any page loads, when a -H Referer cannot reach some of the addresses
// as given (see RequestHeaders); empty when it can.
QString refererNote(const ReaderOptions& reader, const QStringList& addresses);

} // namespace cli
