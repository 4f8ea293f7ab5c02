#pragma once

#include "qscriptbatch.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

/**
 * When the scripts queued for one page go to it, and in which form. Several scripts go as
 * joined batches (QScriptBatch); a script alone goes on its own. A page whose policy forbids
 * eval sends its batches back unrun: they go again one script at a time, and so does
 * everything after them. A new document forgets what the previous one said and answers of
 * scripts sent to it. Counts the scripts not run yet, so that a page that never yields can be
 * seen by whoever keeps sending.
 *
 * At most kMaxInFlight page scripts are on their way at once; what is queued meanwhile goes
 * together once one of them is back, so a busy page runs few large scripts, not many small ones.
 *
 * Knows no page: the view hands it the function that runs a script there.
 */
class QScriptScheduler
{
public:
    static constexpr int kMaxInFlight = 2;

    using Done = std::function<void(const QVariant &result)>;
    /// Runs one page script; done gets its result if the page still exists.
    using Runner = std::function<void(const QString &source, const Done &done)>;

    explicit QScriptScheduler(Runner run);

    /// Queues a script. True when the caller must arrange one flush() soon: none is pending.
    bool append(const QString &script);
    /// Sends what is queued.
    void flush();
    /// A new document starts. True when the caller must arrange one flush() soon.
    bool restart();

    int queued() const { return m_scripts.size(); }
    /// Scripts given to the current document that have not run yet, queued ones included.
    int unrun() const { return m_unrun; }

private:
    void onBatchFinished(int generation, const QVariant &result, const QStringList &scripts);
    void runAlone(const QString &script);
    /// A page script of the current document came back.
    void onReturned();

    Runner m_run;
    QScriptBatch m_scripts;
    bool m_flushQueued = false;
    bool m_evalBlocked = false;
    bool m_evalAllowed = false;
    int m_batchesInFlight = 0;
    /// Page scripts sent and not back yet, batches and scripts alone.
    int m_inFlight = 0;
    int m_unrun = 0;
    int m_generation = 0;
};
