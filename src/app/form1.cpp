#include "form1.h"

#include "cmdoutput/onlinecheck.h"
#include "core/apptitle.h"
#include "core/cursorfile.h"
#include "core/dialogs.h"
#include "core/errorguard.h"
#include "core/fileexists.h"
#include "core/programfolder.h"
#include "join/window/joinrun.h"
#include "outfolder/outputfolder.h"
#include "progressbar.h"
#include "pushbutton.h"
#include "skin.h"
#include "twips.h"
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
#include <QWindow>

namespace {
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
    m_drag =
        std::make_unique<urllist::DragReorder>(m_urlList, *ListView1, m_services.programFolder);
    setTabOrder();
    connectHandlers();
}

Form1::~Form1() = default;

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
            const bool buttonHeld = move->buttons() != Qt::NoButton;
            ListView1_MouseMove(move->position().toPoint(), move->globalPosition().toPoint(),
                                buttonHeld);
            // With a button held the drag handler alone decides; the view would otherwise move
            // the selection along and scroll on its own.
            if (buttonHeld)
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
    } else if (watched == windowHandle() && event->type() == QEvent::Expose &&
               windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        centreOnScreen();
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
    // The frame is known only once the window is shown (a window manager adds it as the window
    // maps): centre the bare window now, so that it appears about right, and the framed window
    // when it is first exposed.
    centreOnScreen();
    show();
    if (windowHandle()->isExposed())
        centreOnScreen();
    else
        windowHandle()->installEventFilter(this);
}

void Form1::centreOnScreen()
{
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
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
    const QString path = shippedFile(m_services.programFolder, QStringLiteral("HAND-M.CUR"));
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
    urllist::loadFromTextFiles(m_urlList, *this, m_dialogs, guard);
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
    m_drag->press();
}

void Form1::ListView1_ItemClick()
{
    m_drag->itemClicked();
}

void Form1::ListView1_MouseMove(const QPoint& position, const QPoint& screenPosition,
                                bool buttonHeld)
{
    Form_MouseMove();
    m_drag->move(position, screenPosition.y(), buttonHeld);
}

void Form1::ListView1_MouseUp()
{
    m_drag->release();
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
