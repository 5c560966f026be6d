#pragma once

#include <QString>

namespace join {

// A marker a standalone copy leaves for the program to decide (copy/standalone-body.js): the run's
// token, a kind (a, i, u or s), the absolute address in base64url, and '.'.
struct Marker
{
    qsizetype at = -1; // where it starts; -1: there is none
    qsizetype end = 0; // just after it
    QChar kind;
    QString address;
};

// The first marker of token in text at or after from.
Marker nextMarker(const QString& text, const QString& token, qsizetype from);

} // namespace join
