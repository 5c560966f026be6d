#include "standalonecopy.h"

#include "core/jsontext.h"
#include "join/engine/resourcetext.h"
#include "core/apperror.h"
#include "join/engine/eventwait.h"
#include "resourcecache.h"
#include "join/site/sitebrowser.h"
#include "standalonepages.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace join {
namespace {

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
    explicit ResourceSink(ResourceCache& resources) : m_resources(resources) {}

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
    ResourceCache& m_resources;
    int m_request = 0;
    bool m_done = false;
    QStringList m_unreadable;
};

StandaloneCopy::StandaloneCopy(StandalonePages& pages, ResourceCache& resources)
    : PageCopy(resourceText(QStringLiteral(":/join/copy/standalone-body.js"))), m_pages(pages),
      m_resources(resources),
      m_fetchScript(resourceText(QStringLiteral(":/qtwebchannel/qwebchannel.js")) +
                    QLatin1Char('\n') +
                    resourceText(QStringLiteral(":/join/copy/standalone-fetch.js"))),
      m_sink(std::make_unique<ResourceSink>(resources)), m_channel(std::make_unique<QWebChannel>())
{
    m_channel->registerObject(QStringLiteral("resources"), m_sink.get());
}

StandaloneCopy::~StandaloneCopy() = default;

QString StandaloneCopy::copyFrom(SiteBrowser& site, int position,
                                 std::chrono::milliseconds bound) const
{
    const Clock::time_point deadline = Clock::now() + bound;
    if (!m_attached.contains(&site)) {
        site.setWebChannel(m_channel.get());
        m_attached.insert(&site);
    }
    const QString copyScript =
        script() + jsonArguments({QJsonObject{{QStringLiteral("token"), m_pages.token()},
                                              {QStringLiteral("position"), position}}});
    QJsonParseError error;
    const QJsonDocument answer =
        QJsonDocument::fromJson(site.copyPage(copyScript, bound).toUtf8(), &error);
    const QJsonObject page = answer.object();
    // Anything else would pass for an empty page.
    if (error.error != QJsonParseError::NoError || !page.value(QStringLiteral("markup")).isString())
        throw AppError(QStringLiteral("The page's copy gave no markup"));
    const QUrl address(page.value(QStringLiteral("address")).toString());
    m_pages.copied(position, address.toString(), page.value(QStringLiteral("title")).toString());

    QStringList missing;
    for (const QJsonValue& resource : page.value(QStringLiteral("resources")).toArray())
        if (!m_resources.has(resource.toString()))
            missing.append(resource.toString());
    if (!missing.isEmpty()) {
        const QStringList unreadable = fetchInPage(site, missing, timeLeft(deadline));
        m_resources.fetch(unreadable, page.value(QStringLiteral("userAgent")).toString().toUtf8(),
                          address, timeLeft(deadline));
        // Whatever is still missing did not come in time.
        for (const QString& resource : std::as_const(missing))
            m_resources.giveUp(resource, QStringLiteral("not fetched in time"));
    }
    return page.value(QStringLiteral("markup")).toString();
}

QStringList StandaloneCopy::fetchInPage(SiteBrowser& site, const QStringList& addresses,
                                        std::chrono::milliseconds bound) const
{
    const int request = m_sink->begin();
    bool started = false;
    try {
        started = site.evaluate(m_fetchScript +
                                    jsonArguments({request, QJsonArray::fromStringList(addresses),
                                                   m_resources.limit()}),
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
