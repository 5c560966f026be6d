#include "pdfoutline.h"

#include "pdfmerge.h"

namespace {

// Adds the items of entries under parent (the outline itself or an item), each leading where
// the parent does when its own destination was not printed; answers how many were added.
int addItems(PdfMerge& merged, QPDFObjectHandle parent, const QList<OutlineEntry>& entries)
{
    QPDF& pdf = merged.document();
    QPDFObjectHandle previous;
    for (const OutlineEntry& entry : entries) {
        QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(entry.title.toStdString()));
        item.replaceKey("/Parent", parent);
        if (QPDFObjectHandle target = merged.destination(entry.destination); !target.isNull())
            item.replaceKey("/Dest", target);
        else if (parent.hasKey("/Dest"))
            item.replaceKey("/Dest", parent.getKey("/Dest"));
        if (previous.isInitialized()) {
            previous.replaceKey("/Next", item);
            item.replaceKey("/Prev", previous);
        } else {
            parent.replaceKey("/First", item);
        }
        parent.replaceKey("/Last", item);
        // Closed: a negative count of the entries its opening would show.
        if (const int children = addItems(merged, item, entry.children))
            item.replaceKey("/Count", QPDFObjectHandle::newInteger(-children));
        previous = item;
    }
    return int(entries.size());
}

// The headings from `at` on that go under one of the level given, as entries; at is left after
// them.
QList<OutlineEntry> headingsUnder(const QList<BookHeading>& headings, qsizetype& at, int level)
{
    QList<OutlineEntry> entries;
    while (at < headings.size() && headings[at].level > level) {
        const BookHeading& heading = headings[at++];
        entries.append({heading.text, heading.id.toUtf8(), {}});
        entries.last().children = headingsUnder(headings, at, heading.level);
    }
    return entries;
}

} // namespace

QList<OutlineEntry> outlineOf(const QList<BookPage>& pages)
{
    QList<OutlineEntry> outline;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        qsizetype at = 0;
        outline.append({pages[i].title, "p" + QByteArray::number(i + 1),
                        headingsUnder(pages[i].headings, at, 0)});
    }
    return outline;
}

void addOutline(PdfMerge& merged, const QList<OutlineEntry>& entries)
{
    if (entries.isEmpty())
        return;
    QPDF& pdf = merged.document();
    QPDFObjectHandle outline = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    outline.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
    const int shown = addItems(merged, outline, entries);
    outline.replaceKey("/Count", QPDFObjectHandle::newInteger(shown));
    QPDFObjectHandle catalog = pdf.getRoot();
    catalog.replaceKey("/Outlines", outline);
    catalog.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
}
