#pragma once

#include "qdtareply.h"

#include <QString>

#include <deque>
#include <mutex>
#include <vector>

/**
 * Results of asynchronous calls on their way to the page. Pool threads add them as they finish;
 * the GUI thread collects them, joins the results of a turn into one script and counts each
 * result as not run until the script that carries it has run, so that the bound on pending calls
 * sees every one of them (the engine counts scripts, not the results inside).
 */
class AsyncResultQueue
{
public:
    /// Any thread. The reply keeps its call counted until collect(). True when the queue was
    /// empty: the GUI thread must be asked once to collect.
    bool add(QString escapedText, ReplyPtr reply);
    /// GUI thread: what the pool finished joins the results waiting for the end of the turn.
    void collect();
    /// GUI thread: one more result waiting for the end of the turn.
    void append(const QString &escapedText);

    bool hasWaiting() const { return m_waiting > 0; }
    /// The waiting results as one script, which is the page's script number sequence.
    QString takeScript(qint64 sequence);
    /// Pushes the page has not run yet, each result on its own, given that unrunScripts of the
    /// scriptsGiven scripts so far have not run (scripts run in order).
    int unrunPushes(int unrunScripts, qint64 scriptsGiven);

private:
    struct Finished
    {
        QString escapedText;
        ReplyPtr reply;
    };
    struct Script
    {
        qint64 sequence;
        int results;
    };

    /// Closes a run of one text repeated, writing its count.
    void endRun();

    std::mutex m_mutex;
    std::vector<Finished> m_finished;
    /// Escaped push texts joined with commas (a run of one text as the text and a count), and
    /// how many results they stand for.
    QString m_texts;
    int m_waiting = 0;
    QString m_lastText;
    int m_repeats = 0;
    std::deque<Script> m_scripts;
    int m_unrunResults = 0;
};
