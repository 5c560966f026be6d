#include "webbrowser.h"

WebBrowser::WebBrowser(QWidget* parent) : QWidget(parent)
{
    // Reachable with Tab like the control it stands for.
    setFocusPolicy(Qt::TabFocus);
}
