#pragma once

#include "join/run/joinengine.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSaveFile>
#include <QStringList>

#include <memory>

namespace cli {

// The run's report for scripts, beside the one on standard error: a JSON document with an entry
// for each address in list order (position, address as given, final address, HTTP status,
// outcome, bytes copied, load and copy times) and the run's totals. Each entry is written as its
// page is done, so nothing grows with the list; the file replaces any old one in one step at the
// end. Everything reported goes on to the report behind it.
class JsonReport : public join::JoinReport
{
public:
    JsonReport(std::shared_ptr<join::JoinReport> next, QStringList addresses, const QString& path);

    // Opens the file: empty when it can be written, otherwise why not.
    QString open();

    void fail(int line, int position, const QString& description) override;
    void pageDone(const join::PageOutcome& outcome) override;

    // An address found as the join goes, after the others.
    void addAddress(const QString& address) { m_addresses.append(address); }

    // The content rule used for the page at position (--select, --main), for its entry.
    void noteContent(int position, const QString& rule);

    // Adds the addresses the run never came to, and the totals, and makes sure the file is kept
    // (not yet final): empty when it is, otherwise why not.
    QString finish();
    // Makes the file final, replacing any old one: empty when it did, otherwise why not.
    QString commit();

private:
    void writeEntry(const join::PageOutcome& outcome);

    std::shared_ptr<join::JoinReport> m_next;
    QStringList m_addresses;
    QSaveFile m_file;
    QElapsedTimer m_elapsed;
    QHash<int, QString> m_content;
    int m_written = 0; // entries so far, in list order
    int m_ok = 0;
    qint64 m_bytes = 0;
};

} // namespace cli
