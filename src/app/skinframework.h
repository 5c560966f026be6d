#pragma once

#include <QString>

class QWidget;

// The window's skin component. A skin is a Qt style sheet in a UTF-8 text file, applied to one
// window and so to every control on it. Driven in this order: loadSkin, options, the two switches,
// applyWindow. Every failure throws AppError.
class SkinFramework
{
public:
    // Bits of options().
    enum Option {
        // url(skin:name) in the sheet names a file in the skin file's folder.
        SkinFolderUrls = 0x1,
    };

    // Reads the skin file. A skin package could hold several schemas; ours holds one, named by
    // the empty string.
    void loadSkin(const QString& path, const QString& schema);

    int options() const { return m_options; }
    void setOptions(int options) { m_options = options; }

    // On: a sheet that Qt cannot parse is refused instead of being ignored without a word.
    void setStrictParsing(bool on) { m_strictParsing = on; }
    // On: the skin is drawn over the Fusion style, which honours every style-sheet property on
    // every platform (native styles ignore some).
    void setFusionBase(bool on) { m_fusionBase = on; }

    // Applies the loaded skin to the window.
    void applyWindow(QWidget& window);

    // True when Qt's style-sheet parser accepts the sheet.
    static bool styleSheetParses(const QString& sheet);

private:
    QString m_path;
    QString m_sheet;
    int m_options = 0;
    bool m_strictParsing = false;
    bool m_fusionBase = false;
};
