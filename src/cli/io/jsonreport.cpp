#include "cli/io/jsonreport.h"
#include "core/jsontext.h"
#include "cli/io/savecheck.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace cli {
namespace {
const QString Ok = QStringLiteral("ok");

using Members = QList<QPair<QByteArray, QJsonValue>>;

// A JSON object with its members in the order given, which reads better than QJsonObject's
// alphabetical one.
QByteArray jsonObject(const Members& members)
{
    QByteArray text = "{";
    for (const auto& [name, value] : members) {
        if (text.size() > 1)
            text += ',';
        text += '"' + name + "\":" + jsonText(value).toUtf8();
    }
    return text + '}';
}
} // namespace

JsonReport::JsonReport(std::shared_ptr<join::JoinReport> next, QStringList addresses,
                       const QString& path)
    : m_next(std::move(next)), m_addresses(std::move(addresses)), m_file(path)
{
    m_elapsed.start();
}

QString JsonReport::open()
{
    if (m_file.open(QIODevice::WriteOnly) && m_file.write("{\"pages\": [") >= 0)
        return {};
    return QStringLiteral("cannot write the report %1: %2")
        .arg(m_file.fileName(), m_file.errorString());
}

void JsonReport::fail(int line, int position, const QString& description)
{
    m_next->fail(line, position, description);
}

void JsonReport::pageDone(const join::PageOutcome& outcome)
{
    writeEntry(outcome);
    m_next->pageDone(outcome);
}

void JsonReport::noteContent(int position, const QString& rule)
{
    m_content.insert(position, rule);
}

void JsonReport::writeEntry(const join::PageOutcome& outcome)
{
    const auto orNull = [](bool known, const QJsonValue& value) {
        return known ? value : QJsonValue(QJsonValue::Null);
    };
    // One line per page, so that the file reads well as it is.
    m_file.write(m_written++ == 0 ? "\n  " : ",\n  ");
    Members members{
        {"position", outcome.position},
        {"address", outcome.address},
        {"finalAddress", orNull(!outcome.finalUrl.isEmpty(), outcome.finalUrl.toString())},
        {"httpStatus", orNull(outcome.httpStatus > 0, outcome.httpStatus)},
        {"outcome", outcome.failure.isEmpty() ? Ok : outcome.failure},
        {"bytes", outcome.bytes},
        {"loadMs", qint64(outcome.loadTime.count())},
        {"copyMs", qint64(outcome.copyTime.count())},
    };
    if (m_content.contains(outcome.position))
        members.append({"content", m_content.take(outcome.position)});
    m_file.write(jsonObject(members));
    if (outcome.failure.isEmpty())
        ++m_ok;
    m_bytes += outcome.bytes;
}

QString JsonReport::finish()
{
    // A run that ended early (its output closed) never came to the rest of the list.
    while (m_written < m_addresses.size()) {
        join::PageOutcome outcome;
        outcome.position = m_written + 1;
        outcome.address = m_addresses[m_written];
        outcome.failure = QStringLiteral("not loaded: the run ended before it");
        writeEntry(outcome);
    }
    m_file.write("\n],\n\"totals\": " +
                 jsonObject({
                     {"addresses", int(m_addresses.size())},
                     {"ok", m_ok},
                     {"failed", int(m_addresses.size()) - m_ok},
                     {"bytes", m_bytes},
                     {"ms", m_elapsed.elapsed()},
                 }) +
                 "}\n");
    const QString problem = keepWritten(m_file);
    if (problem.isEmpty())
        return {};
    return QStringLiteral("cannot write the report %1: %2").arg(m_file.fileName(), problem);
}

QString JsonReport::commit()
{
    if (m_file.commit())
        return {};
    return QStringLiteral("cannot write the report %1: %2")
        .arg(m_file.fileName(), m_file.errorString());
}

} // namespace cli
