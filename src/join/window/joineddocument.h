#pragma once

#include "join/engine/enginehost.h"

#include <QByteArrayList>

#include <optional>

// The result browser: holds the joined document. It only ever holds data: scripts, images and
// every request other than about: and data: are switched off.
class JoinedDocument : public EngineHost
{
    Q_OBJECT
public:
    explicit JoinedDocument(QWidget* parent = nullptr) : EngineHost(parent) {}

    // Blanks the browser (about:blank) and starts an empty joined document in it.
    void blank();
    void create(std::chrono::milliseconds bound);
    // Appends markup at the end of the joined document's body. The insertion runs later, after
    // every one sent before it; failed() is called if it does not succeed.
    void append(const QString& markup, std::function<void()> failed);
    // The markup of the joined document's root element, once every insertion has run. Should the
    // page have lost the document (its renderer ended), it is made again from the bodies kept in
    // the program; throws AppError when that fails too.
    QString serialise(std::chrono::milliseconds bound);

protected:
    void configure(EnginePage& page) override;

private:
    // The serialised document when it holds every body appended, nothing when it has lost any.
    std::optional<QString> wholeDocument(std::chrono::milliseconds bound);
    // A new document in a fresh page, holding the kept bodies.
    void rebuild(std::chrono::milliseconds bound);

    // Every body appended since create(): the page's renderer can end and take the document along.
    QByteArrayList m_bodies;
};
