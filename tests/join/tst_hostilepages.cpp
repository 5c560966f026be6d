// Pages that would cost the run a page or its report: the run itself, its site browsers and pages
// served on 127.0.0.1, with what it hands on recorded.
#include "core/progressdisplay.h"
#include "core/windowpointer.h"
#include "join/run/joinengine.h"
#include "join/run/pagecopy.h"
#include "join/site/sitebrowser.h"
#include "join/site/sitesetup.h"
#include "testhttpserver.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QWebEngineProfile>

#include <memory>
#include <vector>

using namespace std::chrono_literals;
using Response = TestHttpServer::Response;

namespace {
Response routes(const QByteArray& path)
{
    if (path.startsWith("/n/"))
        return TestHttpServer::html("<html><body><p>" + path.mid(3) + "</p></body></html>");
    if (path == "/slow") {
        Response r = TestHttpServer::html("<html><body><p>slow</p></body></html>");
        r.delay = 3500ms;
        return r;
    }
    if (path == "/unload-loop") // held by its scripts once it is left
        return TestHttpServer::html("<html><body><p>hostile</p><script>"
                                    "addEventListener('pagehide', () => { while (true) {} });"
                                    "</script></body></html>");
    if (path == "/held") {
        Response r = TestHttpServer::html("<html><body><p>held</p></body></html>");
        r.delay = 120s;
        return r;
    }
    if (path == "/interstitial")
        return TestHttpServer::html("<html><head><meta http-equiv=refresh content='0; url=/held'>"
                                    "</head><body><p>moving on</p></body></html>");
    if (path == "/ever-longer") { // a body that goes on until a gigabyte has gone
        Response r = TestHttpServer::html("<html><body>");
        r.repeat = "<p>" + QByteArray(1000, 'x') + "</p>\n";
        return r;
    }
    if (path == "/refreshes-later")
        return TestHttpServer::html("<html><head><meta http-equiv=refresh content='1; "
                                    "url=/refreshed'></head><body><p>for now</p></body></html>");
    return TestHttpServer::response(404, "text/html", "<html><body>none</body></html>");
}

class Addresses : public join::JoinItems
{
public:
    explicit Addresses(QStringList list) : m_list(std::move(list)) {}
    int count() const override { return int(m_list.size()); }
    QString textAt(int position) const override { return m_list.value(position - 1); }

private:
    QStringList m_list;
};

// What the run hands on: each page's text and how each page went.
class Record : public join::JoinReport, public join::JoinResult
{
public:
    void fail(int, int, const QString&) override {}
    void pageDone(const join::PageOutcome& outcome) override { outcomes.append(outcome); }
    void begin(std::chrono::milliseconds) override {}
    void append(int position, const QString& text) override { texts[position] = text; }
    void finish(std::chrono::milliseconds) override {}

    QMap<int, QString> texts;
    QList<join::PageOutcome> outcomes;
};

class NoDisplay : public WindowPointer, public ProgressDisplay
{
public:
    PointerShape pointerShape() const override { return PointerShape::Default; }
    void setPointerShape(PointerShape) override {}
    void setProgressValue(double) override {}
    void setProgressText(const QString&) override {}
};

// Answers as a copy script must not: the page must fail, not pass for an empty one.
const char* const unreadableAnswers[][2] = {
    {"markup null", "({ markup: null })"},
    {"markup a number", "({ markup: 42 })"},
    {"a script that throws", "(function () { throw new Error('copy'); })()"},
};
} // namespace

class TestHostilePages : public QObject
{
    Q_OBJECT

private:
    // Joins the addresses with as many site browsers as jobs, sharing one profile.
    std::shared_ptr<Record> join(const QStringList& addresses, std::chrono::milliseconds bound,
                                 int jobs = 1,
                                 join::PageCopy copy = join::PageCopy::serialisedBody(),
                                 const join::Readiness& readiness = {})
    {
        auto record = std::make_shared<Record>();
        std::unique_ptr<QWebEngineProfile> profile(EngineHost::createPrivateProfile());
        std::vector<std::unique_ptr<SiteBrowser>> sites;
        QList<SiteBrowser*> siteList;
        for (int i = 0; i < jobs; ++i) {
            sites.push_back(std::make_unique<SiteBrowser>(nullptr, profile.get()));
            sites.back()->setReadiness(readiness, bound);
            siteList.append(sites.back().get());
        }
        NoDisplay display;
        const Addresses items(addresses);
        join::runJoin({items, record, display, display, *record, copy, siteList, bound});
        sites.clear(); // before their profile
        return record;
    }

    QString url(const char* path) const { return server.url(QLatin1String(path)); }

private slots:
    void copyAfterASlowLoad_hasTheWholePageBound()
    {
        // Its load leaves little of the bound; its copy takes most of a bound.
        const join::PageCopy slowCopy(
            QStringLiteral("(function () { const end = performance.now() + 4000;"
                           "  while (performance.now() < end) {}"
                           "  return { markup: document.body.innerHTML }; })()"));
        const auto record = join({url("/slow")}, 5s, 1, slowCopy);
        QCOMPARE(record->outcomes.size(), 1);
        QCOMPARE(record->outcomes[0].failure, QString());
        QCOMPARE(record->texts.value(1), QStringLiteral("<p>slow</p>"));
    }

    void pageHeldOnItsWayOut_costsTheNextPageOfItsSiteNothing()
    {
        const auto record = join({url("/unload-loop"), url("/n/2")}, 6s);
        QCOMPARE(record->outcomes.size(), 2);
        QCOMPARE(record->outcomes[0].failure, QString());
        QCOMPARE(record->outcomes[1].failure, QString());
        QCOMPARE(record->texts.value(2), QStringLiteral("<p>2</p>"));
    }

    void refreshingPage_isReportedAsTheDocumentCopied_withoutWaitingForWhatFollows()
    {
        QElapsedTimer timer;
        timer.start();
        const auto record = join({url("/interstitial")}, 240s);
        // Waiting for the page it moves to would take its 120 s.
        QVERIFY2(timer.elapsed() < 60000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(record->texts.value(1), QStringLiteral("<p>moving on</p>"));
        QCOMPARE(record->outcomes[0].finalUrl, QUrl(url("/interstitial")));
        QCOMPARE(record->outcomes[0].httpStatus, 200);
    }

    void pageThatGrowsWithoutEnd_failsAtItsMemoryBound_andTheNextIsJoined()
    {
        EngineHost::setRendererBound(qint64(300) << 20);
        const auto restore = qScopeGuard([] { EngineHost::setRendererBound(qint64(2) << 30); });
        const auto record = join({url("/ever-longer"), url("/n/2")}, 60s);
        QCOMPARE(record->outcomes.size(), 2);
        QCOMPARE(record->outcomes[0].failure,
                 QStringLiteral("the page took more than 300 MB of memory"));
        QCOMPARE(record->outcomes[1].failure, QString());
        QCOMPARE(record->texts.value(2), QStringLiteral("<p>2</p>"));
    }

    void pageCopiedBeforeItsTurn_stopsRunning()
    {
        // The first page keeps the second waiting for its turn well past its refresh.
        join({url("/slow"), url("/refreshes-later"), url("/n/3")}, 10s, 3);
        QTest::qWait(1500);
        QVERIFY2(!server.requests().contains(QStringLiteral("/refreshed")),
                 qPrintable(server.requests().join(' ')));
    }

    void copyAnswerWithoutMarkup_failsThePage_data()
    {
        QTest::addColumn<QString>("script");
        for (const auto& [name, script] : unreadableAnswers)
            QTest::newRow(name) << QString::fromLatin1(script);
    }
    void copyAnswerWithoutMarkup_failsThePage()
    {
        QFETCH(QString, script);
        const auto record = join({url("/n/1")}, 5s, 1, join::PageCopy(script));
        QCOMPARE(record->outcomes.size(), 1);
        QCOMPARE(record->outcomes[0].failure, QStringLiteral("The page's copy gave no markup"));
        QVERIFY(record->texts.isEmpty());
    }

private:
    TestHttpServer server{routes};
};

VANTREL_ENGINE_TEST_MAIN(TestHostilePages)
#include "tst_hostilepages.moc"
