// The window's controls: where each one sits (in twips), what it says, how it looks.
#include "form1.h"

#include "join/site/sitebrowser.h"
#include "join/window/joineddocument.h"
#include "progressbar.h"
#include "pushbutton.h"
#include "twips.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeWidget>

namespace {
QFont arialBold(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setWeight(QFont::Bold);
    return font;
}

struct ButtonPlace
{
    PushButton* Form1::*button;
    const char* name;
    const char* caption;
    bool inFrame; // inside Frame4 rather than on the window
    QRect twips;
    const char* picture; // shown above the caption, or nullptr
};

const ButtonPlace ButtonPlaces[] = {
    {&Form1::PushButton10, "PushButton10", "...", true, {6960, 300, 600, 345}, nullptr},
    {&Form1::PushButton7, "PushButton7", "Help", false, {120, 120, 7800, 405}, nullptr},
    {&Form1::PushButton4,
     "PushButton4",
     "Move Up",
     false,
     {7080, 630, 840, 1200},
     ":/images/arrow-up.png"},
    {&Form1::PushButton5,
     "PushButton5",
     "Move Down",
     false,
     {7080, 1950, 840, 1200},
     ":/images/arrow-down.png"},
    {&Form1::PushButton1, "PushButton1", "Add One URL", false, {120, 3260, 3840, 405}, nullptr},
    {&Form1::PushButton3,
     "PushButton3",
     "Load URL(s) From Text File",
     false,
     {4080, 3260, 3840, 405},
     nullptr},
    {&Form1::PushButton6,
     "PushButton6",
     "Get Links Within URL",
     false,
     {120, 6750, 3120, 405},
     nullptr},
    {&Form1::PushButton2, "PushButton2", "Start Joining", false, {120, 5160, 7800, 405}, nullptr},
    {&Form1::PushButton8, "PushButton8", "Clear List", false, {120, 3770, 3840, 405}, nullptr},
    {&Form1::PushButton9,
     "PushButton9",
     "Load Sample/Example Sites",
     false,
     {4080, 3770, 3840, 405},
     nullptr},
};

QRect placeOf(const QRect& twips)
{
    return twRect(twips.x(), twips.y(), twips.width(), twips.height());
}

template <class Control> Control* place(Control* control, const char* name, const QRect& geometry)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}
} // namespace

void Form1::createControls()
{
    setObjectName(QStringLiteral("Form1"));
    setFixedSize(tw(8040), tw(6210));
    setFont(arialBold(9));
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, Qt::white);
    setPalette(windowPalette);
    setAutoFillBackground(true);
    setMouseTracking(true);

    Frame4 = place(new QGroupBox(QStringLiteral("Save Results To This Folder"), this), "Frame4",
                   twRect(120, 4230, 7800, 810));
    Frame4->setAutoFillBackground(true);
    Frame4->setMouseTracking(true);
    Text2 = place(new QLineEdit(Frame4), "Text2", twRect(240, 300, 6630, 345));
    Text2->setPalette(QPalette());

    ListView1 = place(new QTreeWidget(this), "ListView1", twRect(120, 630, 6840, 2535));
    ListView1->setFont(arialBold(9));
    ListView1->setPalette(QPalette());
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setItemsExpandable(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setDragDropMode(QAbstractItemView::NoDragDrop);
    ListView1->setDragEnabled(false);
    ListView1->setTextElideMode(Qt::ElideNone);
    ListView1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionsMovable(false);
    // No column until start-up adds it.
    ListView1->setHeaderHidden(true);
    ListView1->setToolTip(QStringLiteral(
        "Double-click item to remove it. Move | line to right and out of window to reveal full "
        "names."));
    ListView1->viewport()->setMouseTracking(true);

    WebBrowser1 = place(new JoinedDocument(this), "WebBrowser1", twRect(3960, 6720, 495, 1215));
    WebBrowser2 = place(new SiteBrowser(this), "WebBrowser2", twRect(3360, 6720, 495, 1215));

    ProgressBar1 = place(new ProgressBar(this), "ProgressBar1", twRect(120, 5680, 7800, 405));
    QPalette barPalette = ProgressBar1->palette();
    barPalette.setColor(QPalette::Base, Qt::white);
    barPalette.setColor(QPalette::Window, Qt::white);
    barPalette.setColor(QPalette::Text, QPalette().color(QPalette::ButtonText));
    barPalette.setColor(QPalette::WindowText, QPalette().color(QPalette::ButtonText));
    barPalette.setColor(QPalette::Highlight, QPalette().color(QPalette::Highlight));
    ProgressBar1->setPalette(barPalette);
    ProgressBar1->setProgressText(QStringLiteral("Progress Bar"));

    const QFont buttonFont = arialBold(11.25);
    for (const ButtonPlace& p : ButtonPlaces) {
        PushButton* button = place(new PushButton(QLatin1String(p.caption),
                                                  p.inFrame ? Frame4 : static_cast<QWidget*>(this)),
                                   p.name, placeOf(p.twips));
        button->setFont(buttonFont);
        QPalette buttonPalette = button->palette();
        buttonPalette.setColor(QPalette::Button, Qt::white);
        button->setPalette(buttonPalette);
        if (p.picture) {
            button->setIcon(QIcon(QLatin1String(p.picture)));
            button->setIconSize(QSize(32, 32));
        }
        this->*p.button = button;
    }
}

void Form1::setTabOrder()
{
    // The definition's tab indexes; the progress bar and the frame take no focus.
    const QList<QWidget*> order = {ListView1,   WebBrowser1, WebBrowser2, PushButton4, PushButton5,
                                   PushButton1, PushButton3, PushButton6, PushButton2, PushButton7,
                                   PushButton8, PushButton9, Text2,       PushButton10};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    ProgressBar1->setFocusPolicy(Qt::NoFocus);
    Frame4->setFocusPolicy(Qt::NoFocus);
    ListView1->setFocus(Qt::OtherFocusReason);
}
