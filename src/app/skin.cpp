#include "skin.h"

#include "core/programfolder.h"
#include "skinframework.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

namespace {
void paintBackground(QWidget& widget, const QBrush& brush)
{
    QPalette palette = widget.palette();
    palette.setBrush(QPalette::Window, brush);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}
} // namespace

void ApplySkin(QWidget& window, const QString& programFolder, SkinFramework& skin)
{
    const QString path = shippedFile(programFolder, QStringLiteral("x/o.cjs"));
    // A folder, device or named pipe of that name is no skin, nor is a hidden file.
    const QFileInfo file(path);
    if (!file.isFile() || file.isHidden())
        return;

    const QBrush buttonFace = QGuiApplication::palette().brush(QPalette::Button);
    paintBackground(window, buttonFace);
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (qobject_cast<QGroupBox*>(control) || qobject_cast<QLabel*>(control) ||
            qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control))
            paintBackground(*control, buttonFace);
    }

    skin.loadSkin(path, QString());
    skin.setOptions(skin.options() | SkinFramework::SkinFolderUrls);
    skin.setStrictParsing(true);
    skin.setFusionBase(true);
    skin.applyWindow(window);
}
