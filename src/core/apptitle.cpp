#include "apptitle.h"

namespace {
QString& titleStorage()
{
    static QString title = QString::fromLatin1(ProductTitle);
    return title;
}
} // namespace

QString appTitle()
{
    return titleStorage();
}

void setAppTitle(const QString& title)
{
    titleStorage() = title;
}

QString shortenedTitle(const QString& title)
{
    QString result = title;
    do {
        const qsizetype blank = result.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            break;
        result.truncate(blank);
    } while (result.size() > 40);
    return result;
}
