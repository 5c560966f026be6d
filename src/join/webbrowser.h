#pragma once

#include <QWidget>

// The window's place for one browser control. It lies outside the visible client area; the page
// engine behind it starts only when a join needs it, so start-up stays fast.
class WebBrowser : public QWidget
{
    Q_OBJECT
public:
    explicit WebBrowser(QWidget* parent = nullptr);
};
