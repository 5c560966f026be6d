#include "sheetnumbers.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <QByteArray>

#include <algorithm>
#include <string>

namespace {

constexpr double FontSize = 8;
const std::string FontKey = "/VantrelSheetNumber";

// Width of text in Helvetica at FontSize: the numbers, a space and the slash are all it holds.
double widthOf(const std::string& text)
{
    double thousandths = 0;
    for (const char c : text)
        thousandths += c >= '0' && c <= '9' ? 556 : 278;
    return thousandths * FontSize / 1000;
}

// The sheet's resources with the numbers' font among its fonts, copied where they might be
// shared with another sheet.
void addFont(QPDFObjectHandle sheet, QPDFObjectHandle font)
{
    QPDFObjectHandle resources = sheet.getKey("/Resources");
    resources =
        resources.isDictionary() ? resources.shallowCopy() : QPDFObjectHandle::newDictionary();
    QPDFObjectHandle fonts = resources.getKey("/Font");
    fonts = fonts.isDictionary() ? fonts.shallowCopy() : QPDFObjectHandle::newDictionary();
    fonts.replaceKey(FontKey, font);
    resources.replaceKey("/Font", fonts);
    sheet.replaceKey("/Resources", resources);
}

} // namespace

void numberSheets(QPDF& pdf, int before, int count, double bottomMargin)
{
    // One of the standard fonts every reader has: nothing to embed.
    QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    const std::vector<QPDFObjectHandle> sheets = pdf.getAllPages();
    int number = before;
    for (QPDFObjectHandle sheet : sheets) {
        QPDFPageObjectHelper page(sheet);
        const QPDFObjectHandle::Rectangle box = page.getMediaBox().getArrayAsRectangle();
        const std::string text = std::to_string(++number) + " / " + std::to_string(count);
        const double x = (box.llx + box.urx - widthOf(text)) / 2;
        const double y = box.lly + std::max(bottomMargin / 2 - FontSize / 3, 2.0);
        addFont(sheet, font);
        // The sheet's own drawing is set apart, so that nothing it leaves changes the number's.
        page.addPageContents(QPDFObjectHandle::newStream(&pdf, "q\n"), true);
        // Numbers written the same whatever the locale.
        const QByteArray drawing = "Q\nq 0.3 g BT " + QByteArray::fromStdString(FontKey) + ' ' +
                                   QByteArray::number(FontSize) + " Tf " +
                                   QByteArray::number(x, 'f', 2) + ' ' +
                                   QByteArray::number(y, 'f', 2) + " Td (" +
                                   QByteArray::fromStdString(text) + ") Tj ET Q\n";
        page.addPageContents(QPDFObjectHandle::newStream(&pdf, drawing.toStdString()), false);
    }
}
