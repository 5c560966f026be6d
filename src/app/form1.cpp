#include "form1.h"

#include "app/shared/apptitle.h"
#include "app/shared/cursorfile.h"
#include "app/shared/dialogs.h"
#include "app/shared/errorguard.h"
#include "app/shared/fileexists.h"
#include "app/shared/programfolder.h"
#include "cmdoutput/onlinecheck.h"
#include "join/joinrun.h"
#include "join/outputfiles.h"
#include "join/webbrowser.h"
#include "outfolder/outputfolder.h"
#include "progressbar.h"
#include "pushbutton.h"
#include "skin.h"
#include "urllist/dragreorder.h"
#include "urllist/listcommands.h"
#include "urllist/listfiles.h"
#include "urllist/samplesites.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTreeWidget>

namespace {
// The window's geometry is given in twips: 15 to a pixel at 96 dots per inch.
int tw(int twips)
{
    return qRound(twips / 15.0);
}

QRect twRect(int left, int top, int width, int height)
{
    return QRect(tw(left), tw(top), tw(width), tw(height));
}

QFont arialBold(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setWeight(QFont::Bold);
    return font;
}

constexpr int DeleteKeyCode = 46;
} // namespace

Form1::Form1(Dialogs& dialogs, SettingsStore& settings, StartupServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_dialogs(dialogs), m_settings(settings), m_services(std::move(services)), m_urlList(nullptr)
{
    createControls();
    m_urlList = ListViewUrlList(ListView1);
    setTabOrder();
    connectHandlers();
}

Form1::~Form1() = default;

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

    const QFont buttonFont = arialBold(11.25);
    auto makeButton = [&](PushButton*& button, const char* name, const QString& caption,
                          QWidget* container, const QRect& geometry) {
        button = new PushButton(caption, container);
        button->setObjectName(QLatin1String(name));
        button->setFont(buttonFont);
        QPalette buttonPalette = button->palette();
        buttonPalette.setColor(QPalette::Button, Qt::white);
        button->setPalette(buttonPalette);
        button->setGeometry(geometry);
    };

    Frame4 = new QGroupBox(QStringLiteral("Save Results To This Folder"), this);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    Frame4->setGeometry(twRect(120, 4230, 7800, 810));
    Frame4->setAutoFillBackground(true);
    Frame4->setMouseTracking(true);
    Text2 = new QLineEdit(Frame4);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(twRect(240, 300, 6630, 345));
    Text2->setPalette(QPalette());
    makeButton(PushButton10, "PushButton10", QStringLiteral("..."), Frame4,
               twRect(6960, 300, 600, 345));

    makeButton(PushButton7, "PushButton7", QStringLiteral("Help"), this,
               twRect(120, 120, 7800, 405));

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(twRect(120, 630, 6840, 2535));
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

    WebBrowser1 = new WebBrowser(WebBrowser::Role::Result, this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(twRect(3960, 6720, 495, 1215));
    WebBrowser2 = new WebBrowser(WebBrowser::Role::Site, this);
    WebBrowser2->setObjectName(QStringLiteral("WebBrowser2"));
    WebBrowser2->setGeometry(twRect(3360, 6720, 495, 1215));

    makeButton(PushButton4, "PushButton4", QStringLiteral("Move Up"), this,
               twRect(7080, 630, 840, 1200));
    PushButton4->setIcon(QIcon(QStringLiteral(":/images/arrow-up.png")));
    PushButton4->setIconSize(QSize(32, 32));
    makeButton(PushButton5, "PushButton5", QStringLiteral("Move Down"), this,
               twRect(7080, 1950, 840, 1200));
    PushButton5->setIcon(QIcon(QStringLiteral(":/images/arrow-down.png")));
    PushButton5->setIconSize(QSize(32, 32));

    ProgressBar1 = new ProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(twRect(120, 5680, 7800, 405));
    {
        QPalette barPalette = ProgressBar1->palette();
        barPalette.setColor(QPalette::Base, Qt::white);
        barPalette.setColor(QPalette::Window, Qt::white);
        barPalette.setColor(QPalette::Text, QPalette().color(QPalette::ButtonText));
        barPalette.setColor(QPalette::WindowText, QPalette().color(QPalette::ButtonText));
        barPalette.setColor(QPalette::Highlight, QPalette().color(QPalette::Highlight));
        ProgressBar1->setPalette(barPalette);
    }
    ProgressBar1->setProgressText(QStringLiteral("Progress Bar"));

    makeButton(PushButton1, "PushButton1", QStringLiteral("Add One URL"), this,
               twRect(120, 3260, 3840, 405));
    makeButton(PushButton3, "PushButton3", QStringLiteral("Load URL(s) From Text File"), this,
               twRect(4080, 3260, 3840, 405));
    makeButton(PushButton6, "PushButton6", QStringLiteral("Get Links Within URL"), this,
               twRect(120, 6750, 3120, 405));
    makeButton(PushButton2, "PushButton2", QStringLiteral("Start Joining"), this,
               twRect(120, 5160, 7800, 405));
    makeButton(PushButton8, "PushButton8", QStringLiteral("Clear List"), this,
               twRect(120, 3770, 3840, 405));
    makeButton(PushButton9, "PushButton9", QStringLiteral("Load Sample/Example Sites"), this,
               twRect(4080, 3770, 3840, 405));
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

void Form1::connectHandlers()
{
    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(PushButton9, &QPushButton::clicked, this, &Form1::PushButton9_Click);
    connect(PushButton10, &QPushButton::clicked, this, &Form1::PushButton10_Click);
    for (PushButton* button : {PushButton1, PushButton2, PushButton3, PushButton4, PushButton5,
                               PushButton7, PushButton8, PushButton9, PushButton10})
        connect(button, &PushButton::pointerMoved, this, &Form1::PushButton_MouseMove);
    connect(Text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(ListView1, &QTreeWidget::itemPressed, this, &Form1::ListView1_ItemClick);
    ListView1->installEventFilter(this);
    ListView1->viewport()->installEventFilter(this);
    Frame4->installEventFilter(this);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListView1->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            ListView1_MouseDown();
            break;
        case QEvent::MouseMove: {
            const auto* move = static_cast<QMouseEvent*>(event);
            ListView1_MouseMove(move->position().toPoint(), move->globalPosition().toPoint());
            // With a button held the drag handler alone decides; the view would otherwise move
            // the selection along and scroll on its own.
            if (move->buttons() != Qt::NoButton)
                return true;
            break;
        }
        case QEvent::MouseButtonRelease:
            ListView1_MouseUp();
            break;
        case QEvent::MouseButtonDblClick:
            ListView1_DblClick();
            break;
        default:
            break;
        }
    } else if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete)
            ListView1_KeyDown(DeleteKeyCode);
    } else if (watched == Frame4 && event->type() == QEvent::MouseMove) {
        Frame4_MouseMove();
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::mouseMoveEvent(QMouseEvent* event)
{
    Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    Form_Unload();
}

void Form1::Form_Unload()
{
    m_services.endProcess();
}

void Form1::showCentred()
{
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
}

// ---- Start-up

void Form1::Form_Load()
{
    ErrorGuard guard(m_dialogs, QStringLiteral("Form_Load"));
    guard.line(100, [&] { ApplySkin(*this, m_services.programFolder, SkinFramework1); });
    guard.line(101, [&] { CheckOnline(m_dialogs, m_services.onlineCheckCommand); });
    guard.line(102, [&] { setWindowTitle(QLatin1String(ProductTitle)); });
    guard.line(103, [&] {
        QIcon icon;
        for (int size : {32, 48, 128, 256})
            icon.addFile(QStringLiteral(":/images/icon-%1.png").arg(size), QSize(size, size));
        setWindowIcon(icon);
    });
    guard.line(104, [&] { ShortenAppTitle(); });
    guard.line(105, [&] { loadHandCursor(); });
    guard.line(106, [&] { MaybeOpenHomePage(m_services); });
    guard.line(107, [&] {
        ListView1->setHeaderLabels({QStringLiteral("URL(s)")});
        ListView1->setHeaderHidden(false);
        ListView1->setColumnWidth(0, tw(6500));
    });
    guard.line(108, [&] {
        const QString desktop = m_services.desktopFolder();
        Text2->setText(m_settings.read(QStringLiteral("Text2"), desktop));
    });
}

void Form1::ShortenAppTitle()
{
    setAppTitle(shortenedTitle(QLatin1String(ProductTitle)));
}

void Form1::loadHandCursor()
{
    const QString path = pathInFolder(m_services.programFolder, QStringLiteral("HAND-M.CUR"));
    if (FileExists(path))
        m_customCursor = loadCursorFile(path);
}

// ---- Pointer

void Form1::setPointerShape(PointerShape shape)
{
    m_pointerShape = shape;
    switch (shape) {
    case PointerShape::Default:
        setCursor(Qt::ArrowCursor);
        break;
    case PointerShape::Hourglass:
        setCursor(Qt::WaitCursor);
        break;
    case PointerShape::Custom:
        setCursor(m_customCursor ? *m_customCursor : QCursor(Qt::ArrowCursor));
        break;
    }
}

void Form1::PushButton_MouseMove()
{
    if (!isBusy())
        setPointerShape(PointerShape::Custom);
}

void Form1::Form_MouseMove()
{
    if (!isBusy())
        setPointerShape(PointerShape::Default);
}

void Form1::Frame4_MouseMove()
{
    Form_MouseMove();
}

// ---- URL list

void Form1::PushButton1_Click()
{
    ErrorGuard guard(m_dialogs, QStringLiteral("PushButton1_Click"));
    urllist::addOneUrl(m_urlList, m_dialogs, guard);
}

void Form1::PushButton4_Click()
{
    ErrorGuard guard(m_dialogs, QStringLiteral("PushButton4_Click"));
    urllist::moveUp(m_urlList, *this, guard);
}

void Form1::PushButton5_Click()
{
    ErrorGuard guard(m_dialogs, QStringLiteral("PushButton5_Click"));
    urllist::moveDown(m_urlList, *this, guard);
}

void Form1::PushButton8_Click()
{
    ErrorGuard guard(m_dialogs, QStringLiteral("PushButton8_Click"));
    urllist::clearList(m_urlList, *this, guard);
}

void Form1::ListView1_DblClick()
{
    urllist::removeSelected(m_urlList, *this);
}

void Form1::ListView1_KeyDown(int keyCode)
{
    if (keyCode == DeleteKeyCode)
        urllist::removeSelected(m_urlList, *this);
}

void Form1::PushButton3_Click()
{
    ErrorGuard guard(m_dialogs, QStringLiteral("PushButton3_Click"));
    urllist::loadFromTextFiles(m_urlList, *this, m_dialogs, guard,
                               [](const QString& path) { return FixDoubleBackslashes(path); });
}

void Form1::PushButton9_Click()
{
    ErrorGuard guard(m_dialogs, QStringLiteral("PushButton9_Click"));
    urllist::loadSampleSites(m_urlList, guard);
}

void Form1::PushButton7_Click()
{
    ErrorGuard guard(m_dialogs, QStringLiteral("PushButton7_Click"));
    urllist::showLinksHelp(m_dialogs, guard);
}

void Form1::ListView1_MouseDown()
{
    IsDragging = true;
}

void Form1::ListView1_ItemClick()
{
    urllist::prepareDrag(*ListView1, m_services.programFolder);
    DragItem = m_urlList.itemAt(m_urlList.selectedPosition());
}

void Form1::ListView1_MouseMove(const QPoint& position, const QPoint& screenPosition)
{
    Form_MouseMove();
    urllist::dragOver(m_urlList, IsDragging, DragItem, DropItem, position, screenPosition.y());
}

void Form1::ListView1_MouseUp()
{
    IsDragging = false;
    ListView1->setCursor(Qt::ArrowCursor);
}

// ---- Output folder

void Form1::Text2_Change()
{
    // A store that cannot be written loses nothing: the box keeps its text.
    if (!m_settings.write(QStringLiteral("Text2"), Text2->text()))
        qWarning("Could not store the output folder");
}

void Form1::PushButton10_Click()
{
    ErrorGuard guard(m_dialogs, QStringLiteral("PushButton10_Click"));
    outfolder::browseForOutputFolder(*Text2, m_dialogs, m_settings, guard);
}

// ---- Join

void Form1::PushButton2_Click()
{
    const join::JoinControls controls{m_urlList, *this,        *ProgressBar1,
                                      m_dialogs, *WebBrowser1, *WebBrowser2};
    join::StartJoining(controls, IsJoining, Text2->text(), JoinPageBound);
}
