#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>

class QJsonObject;

namespace join {

// A web font's face as a page's @font-face rule gave it, and where its data came from.
struct FontFace
{
    QString family;
    QString weight;
    QString style;
    QString stretch;
    QString unicodeRange; // empty: every character
    QString address;
};

// The faces of web fonts that the copies of a run drew their text in, each kept once however many
// pages use it, so that a site's fonts come along once. A face's name and descriptors are the
// page's own text: one that could end the rule or the style element that holds it is refused.
class FontFaces
{
public:
    // Answers whether the face (as the copy noted it) is taken: new and safe.
    bool add(const QJsonObject& noted);
    int count() const { return static_cast<int>(m_faces.size()); }
    const FontFace& at(int index) const { return m_faces.at(index); }

    // The @font-face rules of the faces from the one numbered from on, one a line, each with the
    // address source gives for it (an empty one leaves the face out). Faces of the same name and
    // descriptors whose sources are the same (the same bytes from two addresses) are written once.
    QString rules(int from, const std::function<QString(const FontFace&)>& source) const;

private:
    QList<FontFace> m_faces;
    QSet<QString> m_keys; // name, descriptors and address of each face
    mutable QSet<QString>
        m_written; // name, descriptors and a digest of the source of each written rule
};

} // namespace join
