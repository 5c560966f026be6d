#include "helptext.h"

namespace cli {
namespace {

// The headings --help (and so the man page) lists the options under, each option by its first
// long name. An option no heading names is listed under the last one.
const QList<QPair<QString, QStringList>> HelpGroups = {
    {QStringLiteral("Finding pages"),
     {QStringLiteral("input"), QStringLiteral("links-of"), QStringLiteral("links-in"),
      QStringLiteral("sitemap"), QStringLiteral("next"), QStringLiteral("within"),
      QStringLiteral("max-pages"), QStringLiteral("no-start"), QStringLiteral("list")}},
    {QStringLiteral("Loading pages"),
     {QStringLiteral("jobs"), QStringLiteral("timeout"), QStringLiteral("cookies"),
      QStringLiteral("profile"), QStringLiteral("login"), QStringLiteral("header"),
      QStringLiteral("user-agent"), QStringLiteral("scroll"), QStringLiteral("settle")}},
    {QStringLiteral("What is copied"),
     {QStringLiteral("main"), QStringLiteral("reader"), QStringLiteral("select"), QStringLiteral("exclude"),
      QStringLiteral("standalone"), QStringLiteral("max-resource")}},
    {QStringLiteral("Output"),
     {QStringLiteral("output"), QStringLiteral("format"), QStringLiteral("toc"),
      QStringLiteral("report"), QStringLiteral("quiet")}},
    {QStringLiteral("PDF and book"),
     {QStringLiteral("page-size"), QStringLiteral("landscape"), QStringLiteral("margin"),
      QStringLiteral("title"), QStringLiteral("author"), QStringLiteral("outline-depth"),
      QStringLiteral("no-page-numbers")}},
    {QStringLiteral("Other"), {}},
};

// Where the options' descriptions start, and how wide the text is.
constexpr qsizetype HelpColumn = 28;
constexpr qsizetype HelpWidth = 79;

QString longName(const QCommandLineOption& option)
{
    for (const QString& name : option.names())
        if (name.size() > 1)
            return name;
    return option.names().constFirst();
}

// Text in lines of at most HelpWidth, each starting at column, the first after lead (on a line of
// its own when lead reaches the column).
QString wrapped(QString line, const QString& text, qsizetype column)
{
    QString lines;
    if (!line.isEmpty() && line.size() >= column - 1) {
        lines += line + QLatin1Char('\n');
        line.clear();
    }
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (line.size() > column && line.size() + 1 + word.size() > HelpWidth) {
            lines += line + QLatin1Char('\n');
            line.clear();
        }
        if (line.size() <= column)
            line = line.leftJustified(column) + word;
        else
            line += QLatin1Char(' ') + word;
    }
    return lines + line + QLatin1Char('\n');
}

// "  -o, --output <path>   Write ...".
QString optionHelp(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    QString lead = QStringLiteral("  ") + names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        lead += QStringLiteral(" <%1>").arg(option.valueName());
    return wrapped(lead, option.description(), HelpColumn);
}

} // namespace

QString groupedHelp(const QString& usage, const QString& description,
                    const QList<QCommandLineOption>& options,
                    const QList<QPair<QString, QString>>& arguments)
{
    QString text = QStringLiteral("Usage: %1\n").arg(usage) + wrapped(QString(), description, 0);
    QList<QCommandLineOption> unlisted = options;
    for (const auto& [heading, names] : HelpGroups) {
        QString entries;
        for (const QString& name : names) {
            for (qsizetype i = 0; i < unlisted.size(); ++i) {
                if (longName(unlisted[i]) == name)
                    entries += optionHelp(unlisted.takeAt(i));
            }
        }
        if (names.isEmpty())
            for (const QCommandLineOption& option : std::as_const(unlisted))
                entries += optionHelp(option);
        if (!entries.isEmpty())
            text += QStringLiteral("\n%1:\n").arg(heading) + entries;
    }
    text += QStringLiteral("\nArguments:\n");
    for (const auto& [name, help] : arguments)
        text += wrapped(QStringLiteral("  ") + name, help, HelpColumn);
    return text;
}

} // namespace cli
