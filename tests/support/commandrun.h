#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class QProcess;

// What a run of the command gave: its exit status (-1 when it crashed or was killed), standard
// output, and the lines of standard error.
struct Finished
{
    int status = -1;
    QByteArray out;
    QStringList errLines;
};

// Starts program (default: the vantrel-join built beside the test) in process, as the caller set
// it up (folder, environment), gives it input on standard input and waits for it, two minutes at
// most: one still running then is killed, so a hang fails the test instead of holding it.
Finished runCommand(QProcess& process, const QStringList& arguments, const QByteArray& input = {},
                    const QString& program = {});

// What a tool (pdfinfo, pdftotext, ...) printed on standard output; empty when it failed or had
// not ended within 30 s.
QByteArray toolOutput(const QString& tool, const QStringList& arguments);

// What the EPUB checker said of the book at path when it found something wrong; empty when it
// found nothing; none when java or the checker is not installed.
std::optional<QString> epubCheckerFindings(const QString& path);
