#include "jsontext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

QString jsonText(const QJsonValue& value)
{
    // A value alone is no JSON document: one in an array is.
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.constData() + 1, array.size() - 2);
}
