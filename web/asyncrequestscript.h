#pragma once

#include <QString>
#include <QStringList>

/**
 * The page's own win_message: a request the host would accept as an asynchronous call, the page
 * answers itself and posts, so the page never waits for it; everything else makes the call as
 * before. It answers only what it can prove: text that the host's reader reads exactly as the
 * page's does, a command that the snapshot of the registry says runs asynchronously, and fewer
 * pending calls than the bound. The answer is the host's own accepted reply, byte for byte.
 *
 * Pending calls are counted in the page from acceptance until the result's push has run: the
 * results of asynchronous calls come through resultsHook(), a page global that settles each call
 * and hands its push text to onMessage.
 */
class AsyncRequestScript
{
public:
    /// The page-side script for the engine (a function (call, post) returning win_message).
    static QString build(const QStringList &asyncNames, const QString &acceptedReply,
                         int maxPendingCalls);
    /// The page global that takes the push texts of several results, in order.
    static QString resultsHook();
};
