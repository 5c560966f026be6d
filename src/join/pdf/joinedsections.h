#pragma once

#include <QByteArray>

class QIODevice;

// Reads a joined document that stands on its own back in the pieces it was written in, one at a
// time, so that it is never held whole: its head (up to and with <body>), then the list of
// contents before the first page (empty when there is none), then each page's section in order.
// It relies on how that document is written: each page's section opens as
// <section id="pN" data-source="…"> and closes with a line end after it.
class JoinedSections
{
public:
    explicit JoinedSections(QIODevice& joined) : m_joined(joined) {}

    QByteArray head();
    QByteArray contents();
    // The section of the page at position (from 1, in order), the last of count with what follows.
    QByteArray section(int position, int count);

private:
    // What comes before needle (to the end when it is empty or not there), and the first keep
    // bytes of needle.
    QByteArray readUntil(const QByteArray& needle, qsizetype keep);

    QIODevice& m_joined;
    QByteArray m_buffer;
};
