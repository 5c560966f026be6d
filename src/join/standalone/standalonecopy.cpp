#include "standalonecopy.h"

#include "core/apperror.h"
#include "core/jsontext.h"
#include "core/webaddress.h"
#include "imagefetch.h"
#include "imagestore.h"
#include "join/engine/eventwait.h"
#include "join/engine/resourcetext.h"
#include "join/site/sitebrowser.h"
#include "looksheet.h"
#include "standalonepages.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebChannel>

namespace join {
namespace {

QList<Heading> headingsOf(const QJsonArray& answer)
{
    QList<Heading> headings;
    for (const QJsonValue& value : answer) {
        const QJsonObject heading = value.toObject();
        headings.append({heading.value(QStringLiteral("level")).toInt(1),
                         heading.value(QStringLiteral("text")).toString(),
                         heading.value(QStringLiteral("id")).toString()});
    }
    return headings;
}

QString jsonArguments(const QJsonArray& arguments)
{
    const QString list = jsonText(arguments);
    return QLatin1Char('(') + list.mid(1, list.size() - 2) + QLatin1Char(')');
}

} // namespace

// What the page's fetches hand back through the web channel.
class ResourceSink : public QObject
{
    Q_OBJECT
public:
    explicit ResourceSink(ImageStore& resources) : m_resources(resources) {}

    // Starts taking the answers to a new request; those of an earlier one are too late.
    int begin()
    {
        m_unreadable.clear();
        m_done = false;
        return ++m_request;
    }
    bool done() const { return m_done; }
    const QStringList& unreadable() const { return m_unreadable; }

    Q_INVOKABLE void take(int request, const QString& address, const QString& type,
                          const QString& base64, const QString& problem, bool readable)
    {
        if (request != m_request)
            return;
        if (!readable)
            m_unreadable.append(address);
        else if (problem == QLatin1String("too large"))
            m_resources.giveUp(address, m_resources.tooLarge());
        else if (!problem.isEmpty())
            m_resources.giveUp(address, problem);
        else
            m_resources.add(address, type, base64.toLatin1());
    }
    Q_INVOKABLE void done(int request)
    {
        if (request != m_request)
            return;
        m_done = true;
        emit finished();
    }

signals:
    void finished();

private:
    ImageStore& m_resources;
    int m_request = 0;
    bool m_done = false;
    QStringList m_unreadable;
};

StandaloneCopy::StandaloneCopy(StandalonePages& pages, ImageStore& images, LookSheet& looks,
                               ImageFetch& fetch, int outlineDepth, QString serialiser,
                               bool fetchImages)
    : PageCopy(resourceText(QStringLiteral(":/join/copy/standalone-body.js"))), m_pages(pages),
      m_images(images), m_looks(looks), m_fetch(fetch), m_outlineDepth(outlineDepth),
      m_serialiser(std::move(serialiser)), m_fetchImages(fetchImages),
      m_fetchScript(resourceText(QStringLiteral(":/qtwebchannel/qwebchannel.js")) +
                    QLatin1Char('\n') +
                    resourceText(QStringLiteral(":/join/copy/standalone-fetch.js"))),
      m_sink(std::make_unique<ResourceSink>(images)), m_channel(std::make_unique<QWebChannel>())
{
    m_channel->registerObject(QStringLiteral("resources"), m_sink.get());
}

StandaloneCopy::~StandaloneCopy() = default;

QString StandaloneCopy::copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound)
{
    const Clock::time_point deadline = Clock::now() + bound;
    if (!m_attached.contains(&site)) {
        site.setWebChannel(m_channel.get());
        m_attached.insert(&site);
    }
    QString copyScript =
        script() + jsonArguments({QJsonObject{{QStringLiteral("token"), m_pages.token()},
                                              {QStringLiteral("position"), position},
                                              {QStringLiteral("limit"), m_images.limit()},
                                              {QStringLiteral("outlineDepth"), m_outlineDepth}}});
    if (!m_serialiser.isEmpty())
        copyScript.insert(copyScript.size() - 1, QStringLiteral(", ") + m_serialiser);
    QJsonParseError error;
    const QJsonDocument answer =
        QJsonDocument::fromJson(site.copyPage(copyScript, bound).toUtf8(), &error);
    const QJsonObject page = answer.object();
    // Anything else would pass for an empty page.
    if (error.error != QJsonParseError::NoError || !page.value(QStringLiteral("markup")).isString())
        throw AppError(QStringLiteral("The page's copy gave no markup"));
    const QUrl address(page.value(QStringLiteral("address")).toString());
    m_pages.copied(position, address.toString(), page.value(QStringLiteral("title")).toString());
    m_pages.setHeadings(position, headingsOf(page.value(QStringLiteral("headings")).toArray()));
    for (const QJsonValue& start : page.value(QStringLiteral("leftOut")).toArray())
        m_images.leaveOut(start.toString());
    for (const QJsonValue& look : page.value(QStringLiteral("looks")).toArray())
        m_looks.add(look[0].toString(), look[1].toString());

    QStringList missing;
    for (const QJsonValue& resource : page.value(QStringLiteral("resources")).toArray())
        if (!m_images.has(resource.toString()))
            missing.append(resource.toString());
    for (const QJsonValue& font : page.value(QStringLiteral("fonts")).toArray())
        if (const QString address = noteFont(font.toObject()); !address.isEmpty())
            missing.append(address);
    if (!missing.isEmpty() && m_fetchImages)
        fetchImages(site, missing, address,
                    page.value(QStringLiteral("userAgent")).toString().toUtf8(), deadline);
    return page.value(QStringLiteral("markup")).toString();
}

QString StandaloneCopy::noteFont(QJsonObject face)
{
    // A font the page held in its sheet is kept under its digest, not its whole text.
    QString address = face.value(QStringLiteral("address")).toString();
    QByteArray held;
    if (address.startsWith(QLatin1String("data:"))) {
        const qsizetype comma = address.indexOf(QLatin1Char(','));
        if (comma < 0 || !address.left(comma).endsWith(QLatin1String(";base64")))
            return {};
        held = QStringView(address).mid(comma + 1).toLatin1();
        address =
            QStringLiteral("data:font;sha1,") +
            QString::fromLatin1(QCryptographicHash::hash(held, QCryptographicHash::Sha1).toHex());
        face.insert(QStringLiteral("address"), address);
    }
    if (!m_looks.faces().add(face) || m_images.has(address))
        return {};
    m_images.expectFont(address);
    if (held.isEmpty())
        return address;
    m_images.add(address, {}, held);
    return {};
}

void StandaloneCopy::fetchImages(SiteBrowser& site, const QStringList& images, const QUrl& address,
                                 const QByteArray& userAgent, Clock::time_point deadline)
{
    // Another origin's image would be refused to the page without CORS, and then fetched again.
    const auto origin = [](const QUrl& url) {
        return url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                            QUrl::RemoveUserInfo);
    };
    QStringList inPage, outside;
    for (const QString& image : images) {
        const QUrl url(image);
        (isWebAddress(url) && origin(url) != origin(address) ? outside : inPage).append(image);
    }
    if (!inPage.isEmpty())
        outside += fetchInPage(site, inPage, timeLeft(deadline));
    m_fetch.fetch(outside, userAgent, address, timeLeft(deadline));
    // Whatever is still missing did not come in time.
    for (const QString& image : images)
        m_images.giveUp(image, QStringLiteral("not fetched in time"));
}

QStringList StandaloneCopy::fetchInPage(SiteBrowser& site, const QStringList& addresses,
                                        std::chrono::milliseconds bound)
{
    const int request = m_sink->begin();
    bool started = false;
    try {
        started = site.evaluate(m_fetchScript +
                                    jsonArguments({request, QJsonArray::fromStringList(addresses),
                                                   m_images.limit()}),
                                bound)
                      .toBool();
    } catch (const AppError&) {
    }
    if (!started)
        return addresses;

    QEventLoop loop;
    QObject::connect(m_sink.get(), &ResourceSink::finished, &loop, &QEventLoop::quit);
    bool rendererEnded = false;
    QObject::connect(&site, &EngineHost::rendererEnded, &loop, [&] {
        rendererEnded = true;
        loop.quit();
    });
    runEventLoopUntil(
        loop, [&] { return m_sink->done() || rendererEnded; }, bound);
    return m_sink->unreadable();
}

} // namespace join

#include "standalonecopy.moc"
