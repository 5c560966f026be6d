#pragma once

#include "core/urllist.h"

#include <QStringList>

// Every item's text, top to bottom.
inline QStringList urlListTexts(const UrlList& list)
{
    QStringList texts;
    for (int position = 1; position <= list.count(); ++position)
        texts.append(list.textAt(position));
    return texts;
}
