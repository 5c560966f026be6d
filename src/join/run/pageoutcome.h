#pragma once

#include <QString>
#include <QUrl>

#include <chrono>

namespace join {

// How one listed page went, as the join saw it: what a report per address is made of.
struct PageOutcome
{
    int position = 0;
    QString address;    // as listed
    QUrl finalUrl;      // where the page's load ended, after redirects; empty when nothing loaded
    int httpStatus = 0; // of the page's own response; 0 when there was none (a file, no server)
    // Why the page failed, in the words the command names it with; empty when it gave its page.
    QString failure;
    qint64 bytes = 0;                      // its text in the joined document, in UTF-8
    std::chrono::milliseconds loadTime{0}; // from the start of its load until its copy began
    std::chrono::milliseconds copyTime{0}; // its copy, with the wait for it to be ready
};

} // namespace join
