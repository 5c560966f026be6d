#include "pushbutton.h"

#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

PushButton::PushButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    setMouseTracking(true);
    // A button ignores moves without a pressed button, and Qt would hand them on to the window,
    // whose arrow rule would undo the hand at once.
    setAttribute(Qt::WA_NoMousePropagation);
    setAutoDefault(false);
}

void PushButton::mouseMoveEvent(QMouseEvent* event)
{
    emit pointerMoved();
    QPushButton::mouseMoveEvent(event);
}

void PushButton::paintEvent(QPaintEvent* event)
{
    if (icon().isNull()) {
        QPushButton::paintEvent(event);
        return;
    }
    // A tall, narrow button: picture on top, caption wrapped below it.
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QRect area = rect().adjusted(2, 4, -2, -4);
    const QSize picture = iconSize();
    const int textHeight = fontMetrics().lineSpacing() * 2;
    const int top = area.top() + qMax(0, (area.height() - picture.height() - textHeight) / 2);
    const QRect pictureRect(area.left() + (area.width() - picture.width()) / 2, top,
                            picture.width(), picture.height());
    painter.drawPixmap(pictureRect, icon().pixmap(picture, devicePixelRatioF(),
                                                  isEnabled() ? QIcon::Normal : QIcon::Disabled));
    const QRect textRect(area.left(), pictureRect.bottom() + 1, area.width(), textHeight);
    painter.drawItemText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, palette(),
                         isEnabled(), text(), QPalette::ButtonText);
}
