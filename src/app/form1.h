#pragma once

#include "core/settingsstore.h"
#include "core/windowpointer.h"
#include "join/window/joinrun.h"
#include "skinframework.h"
#include "startup.h"
#include "urllist/dragreorder.h"
#include "urllist/listviewurllist.h"

#include <QCursor>
#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>

class Dialogs;
class PushButton;
class ProgressBar;
class QGroupBox;
class QLineEdit;
class JoinedDocument;
class QTreeWidget;
class SiteBrowser;

// The main window. It owns the controls and the state its handlers share; every handler hands the
// work to the subsystem that does it.
class Form1 : public QWidget, public WindowPointer
{
    Q_OBJECT
public:
    Form1(Dialogs& dialogs, SettingsStore& settings, StartupServices services,
          QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence; runs before the window is shown.
    void Form_Load();
    // Shows the window centred on its screen, frame included.
    void showCentred();

    PointerShape pointerShape() const override { return m_pointerShape; }
    void setPointerShape(PointerShape shape) override;
    UrlList& urlList() { return m_urlList; }
    const urllist::DragReorder& dragReorder() const { return *m_drag; }

    // Controls, named as in the window's definition (also their object names).
    PushButton* PushButton1;  // "Add One URL"
    PushButton* PushButton2;  // "Start Joining"
    PushButton* PushButton3;  // "Load URL(s) From Text File"
    PushButton* PushButton4;  // "Move Up"
    PushButton* PushButton5;  // "Move Down"
    PushButton* PushButton6;  // "Get Links Within URL", out of sight, no action
    PushButton* PushButton7;  // "Help"
    PushButton* PushButton8;  // "Clear List"
    PushButton* PushButton9;  // "Load Sample/Example Sites"
    PushButton* PushButton10; // "..." beside the output folder
    QTreeWidget* ListView1;
    QGroupBox* Frame4;
    QLineEdit* Text2;
    JoinedDocument* WebBrowser1; // the joined document
    SiteBrowser* WebBrowser2;    // the page being copied
    ProgressBar* ProgressBar1;
    SkinFramework SkinFramework1;

    // Shared window state.
    bool IsJoining = false;
    // How long the join lets one page load; tests shorten it.
    std::chrono::milliseconds JoinPageBound = join::PageLoadBound;

public slots:
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void PushButton9_Click();
    void PushButton10_Click();
    void Text2_Change();
    void ListView1_DblClick();
    void ListView1_KeyDown(int keyCode);
    void ListView1_MouseDown();
    void ListView1_ItemClick();
    // position in the list's own coordinates, screenPosition on the screen (for the edge scroll).
    void ListView1_MouseMove(const QPoint& position, const QPoint& screenPosition, bool buttonHeld);
    void ListView1_MouseUp();
    void Form_MouseMove();
    void Frame4_MouseMove();
    void PushButton_MouseMove();

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Both in form1controls.cpp.
    void createControls();
    void setTabOrder();
    void connectHandlers();
    void Form_Unload();
    void ShortenAppTitle();
    void centreOnScreen();
    void loadHandCursor();

    Dialogs& m_dialogs;
    SettingsStore& m_settings;
    StartupServices m_services;
    ListViewUrlList m_urlList;
    std::unique_ptr<urllist::DragReorder> m_drag;
    PointerShape m_pointerShape = PointerShape::Default;
    std::optional<QCursor> m_customCursor;
};
