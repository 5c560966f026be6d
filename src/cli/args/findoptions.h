#pragma once

#include "join/find/pagefinder.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>

#include <optional>

class QCommandLineParser;

namespace cli {

// A way to find pages, and where its pages go among the command's addresses.
struct FoundPagesAt
{
    qsizetype index = 0; // its pages are put in front of the address at this index (or last)
    join::FindRequest request;
};

// How the command finds pages to join besides the addresses it is given.
struct FindOptions
{
    QList<FoundPagesAt> requests; // in command-line order
    join::FindSettings settings;
    bool listOnly = false; // --list: print the addresses, join nothing
};

QList<QCommandLineOption> findOptions();
// The options that name a source of addresses, as -i does: their values join the list in
// command-line order.
QList<QCommandLineOption> addressSourceOptions();

// Reads scope, bounds and --list into find, and checks what the options need of each other:
// --next one start address among operands. Empty when they are right, otherwise the usage error.
// The requests themselves come with the addresses, in order.
QString readFindOptions(const QCommandLineParser& parser, qsizetype operands, FindOptions& find);

// For a value of an address source option, and for an operand with --next: the request it
// makes; none for a list file or a plain address.
std::optional<join::FindRequest> findRequestFor(const QCommandLineParser& parser,
                                                const QString& option, const QString& value);

} // namespace cli
