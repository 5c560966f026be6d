#pragma once

#include "enginehost.h"

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
    // The markup of the joined document's root element, once every insertion has run.
    QString serialise(std::chrono::milliseconds bound);

protected:
    void configure(EnginePage& page) override;
};
