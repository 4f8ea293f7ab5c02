// When queued scripts go to the page and in which form, with a stand-in for the page.
#include "qscriptbatch.h"
#include "qscriptscheduler.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records what would run in the page; batch answers are given by the test.
struct FakePage
{
    struct Sent
    {
        QString source;
        QScriptScheduler::Done done;
    };
    std::vector<Sent> sent;

    QScriptScheduler::Runner runner()
    {
        return [this](const QString &source, const QScriptScheduler::Done &done) {
            sent.push_back({source, done});
        };
    }
    bool isStandalone(size_t index, const QString &script) const
    {
        return sent.at(index).source == QScriptBatch::standalone(script);
    }
    bool isBatch(size_t index) const
    {
        return sent.at(index).source.contains(QLatin1String("__nativeBatchStep"));
    }
};

} // namespace

TEST(ScriptScheduler, OneFlushPerQueueAndAScriptAloneGoesOnItsOwn)
{
    FakePage page;
    QScriptScheduler scheduler(page.runner());
    EXPECT_TRUE(scheduler.append(QStringLiteral("a()")));
    EXPECT_FALSE(scheduler.append(QStringLiteral("b()"))) << "a flush is already pending";
    scheduler.flush();
    ASSERT_EQ(page.sent.size(), 1u);
    EXPECT_TRUE(page.isBatch(0));
    EXPECT_EQ(scheduler.queued(), 0);
    EXPECT_EQ(scheduler.unrun(), 2);

    // While the batch has not answered, a single script still goes as a batch, keeping its place.
    EXPECT_TRUE(scheduler.append(QStringLiteral("c()")));
    scheduler.flush();
    ASSERT_EQ(page.sent.size(), 2u);
    EXPECT_TRUE(page.isBatch(1));

    // Once the page has run a batch, a script alone goes on its own.
    page.sent[0].done(QStringLiteral("ok"));
    page.sent[1].done(QStringLiteral("ok"));
    EXPECT_EQ(scheduler.unrun(), 0);
    scheduler.append(QStringLiteral("d()"));
    scheduler.flush();
    ASSERT_EQ(page.sent.size(), 3u);
    EXPECT_TRUE(page.isStandalone(2, QStringLiteral("d()")));
    EXPECT_EQ(scheduler.unrun(), 1);
    page.sent[2].done(QVariant());
    EXPECT_EQ(scheduler.unrun(), 0);
}

TEST(ScriptScheduler, BatchRefusedByThePageRunsAgainOneByOneAndSoDoesWhatFollows)
{
    FakePage page;
    QScriptScheduler scheduler(page.runner());
    scheduler.append(QStringLiteral("a()"));
    scheduler.append(QStringLiteral("b()"));
    scheduler.flush();
    ASSERT_EQ(page.sent.size(), 1u);

    // Queued behind the unanswered batch: waits for it.
    scheduler.append(QStringLiteral("c()"));
    scheduler.append(QStringLiteral("d()"));
    page.sent[0].done(QScriptBatch::evalBlockedResult());
    ASSERT_EQ(page.sent.size(), 5u);
    EXPECT_TRUE(page.isStandalone(1, QStringLiteral("a()")));
    EXPECT_TRUE(page.isStandalone(2, QStringLiteral("b()")));
    EXPECT_TRUE(page.isStandalone(3, QStringLiteral("c()")));
    EXPECT_TRUE(page.isStandalone(4, QStringLiteral("d()")));
    EXPECT_EQ(scheduler.unrun(), 4) << "a refused batch ran none of its scripts";

    scheduler.flush();
    scheduler.append(QStringLiteral("e()"));
    scheduler.append(QStringLiteral("f()"));
    scheduler.flush();
    ASSERT_EQ(page.sent.size(), 7u);
    EXPECT_TRUE(page.isStandalone(6, QStringLiteral("f()")));
}

TEST(ScriptScheduler, NewDocumentIgnoresOldAnswersAndSendsWhatIsQueued)
{
    FakePage page;
    QScriptScheduler scheduler(page.runner());
    scheduler.append(QStringLiteral("a()"));
    scheduler.append(QStringLiteral("b()"));
    scheduler.flush();
    EXPECT_FALSE(scheduler.restart()) << "nothing queued";

    EXPECT_EQ(scheduler.unrun(), 0) << "the new document was given nothing";

    // The old document's refusal says nothing about the new one.
    page.sent[0].done(QScriptBatch::evalBlockedResult());
    EXPECT_EQ(page.sent.size(), 1u);
    EXPECT_EQ(scheduler.unrun(), 0);

    scheduler.append(QStringLiteral("c()"));
    EXPECT_FALSE(scheduler.restart()) << "a flush is already pending";
    scheduler.flush();
    ASSERT_EQ(page.sent.size(), 2u);
    EXPECT_TRUE(page.isStandalone(1, QStringLiteral("c()")));
}

TEST(ScriptScheduler, PastTwoScriptsOnTheirWayTheRestWaitsAndGoesJoined)
{
    FakePage page;
    QScriptScheduler scheduler(page.runner());
    for (const char *script : {"a()", "b()", "c()", "d()"}) {
        scheduler.append(QLatin1String(script));
        scheduler.flush();
    }
    ASSERT_EQ(page.sent.size(), 2u);
    EXPECT_EQ(scheduler.queued(), 2);
    EXPECT_EQ(scheduler.unrun(), 4) << "held scripts count as not run";

    // A script given in the turn still under way is not sent ahead of that turn's flush, which
    // takes it along with what waited.
    EXPECT_TRUE(scheduler.append(QStringLiteral("e()")));
    page.sent[0].done(QVariant());
    EXPECT_EQ(page.sent.size(), 2u);
    scheduler.flush();
    ASSERT_EQ(page.sent.size(), 3u);
    EXPECT_TRUE(page.isBatch(2));
    EXPECT_TRUE(page.sent[2].source.contains(QLatin1String("c()"))
                && page.sent[2].source.contains(QLatin1String("e()")));

    // Between turns, what waited goes as soon as a script is back.
    scheduler.append(QStringLiteral("f()"));
    scheduler.flush();
    EXPECT_EQ(page.sent.size(), 3u);
    page.sent[1].done(QVariant());
    ASSERT_EQ(page.sent.size(), 4u);
    EXPECT_TRUE(page.isBatch(3)) << "behind a batch not yet back, to keep its place";
    page.sent[2].done(QStringLiteral("ok"));
    page.sent[3].done(QStringLiteral("ok"));
    EXPECT_EQ(scheduler.unrun(), 0);

    // A new document does not wait for answers the old one will never give.
    scheduler.append(QStringLiteral("g()"));
    scheduler.flush();
    scheduler.append(QStringLiteral("h()"));
    scheduler.flush();
    scheduler.append(QStringLiteral("i()"));
    scheduler.flush();
    ASSERT_EQ(page.sent.size(), 6u);
    EXPECT_TRUE(scheduler.restart());
    scheduler.flush();
    ASSERT_EQ(page.sent.size(), 7u);
    EXPECT_TRUE(page.isStandalone(6, QStringLiteral("i()")));
}
