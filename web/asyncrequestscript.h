#pragma once

#include <QString>
#include <QStringList>

/**
 * The page's own win_message: a request the host would accept as an asynchronous call, the page
 * answers itself and posts, so the page never waits for it; everything else makes the call as
 * before. It answers only what it can prove: text that the host's reader reads exactly as the
 * page's does, for a command that the snapshot of the registry says runs asynchronously. Below
 * the bound of pending calls the answer is the host's own accepted reply, byte for byte; at the
 * bound, the host's own refusal.
 *
 * Pending calls are counted in the page from acceptance until the result's push has run: the
 * results of asynchronous calls come through resultsHook(), a page global that settles each call
 * and hands its push text to onMessage.
 */
class AsyncRequestScript
{
public:
    /// The page-side script for the engine (a function (call, post) returning win_message).
    /// busyReply: the host's refusal of a call past the bound, split where the name goes (two
    /// parts; anything else and the page leaves that refusal to the host).
    static QString build(const QStringList &asyncNames, const QString &acceptedReply,
                         int maxPendingCalls, const QStringList &busyReply);
    /// The page global that takes the push texts of several results, in order.
    static QString resultsHook();
};
