#pragma once

#include <QRect>
#include <QtGlobal>

// The window's geometry is given in twips: 15 to a pixel at 96 dots per inch.
inline int tw(int twips)
{
    return qRound(twips / 15.0);
}

inline QRect twRect(int left, int top, int width, int height)
{
    return QRect(tw(left), tw(top), tw(width), tw(height));
}
