#pragma once

#include <QPushButton>

// The window's push button. It reports pointer moves (for the hover pointer) and, when it
// carries a picture, draws the picture above a caption that may wrap onto two lines.
class PushButton : public QPushButton
{
    Q_OBJECT
public:
    explicit PushButton(const QString& caption, QWidget* parent = nullptr);

signals:
    void pointerMoved();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
