#include "qscriptscheduler.h"

#include <utility>

QScriptScheduler::QScriptScheduler(Runner run)
    : m_run(std::move(run))
{ }

bool QScriptScheduler::append(const QString &script)
{
    m_scripts.append(script);
    ++m_unrun;
    if (m_flushQueued)
        return false;
    m_flushQueued = true;
    return true;
}

void QScriptScheduler::runAlone(const QString &script)
{
    const int generation = m_generation;
    ++m_inFlight;
    m_run(QScriptBatch::standalone(script), [this, generation](const QVariant &) {
        if (generation != m_generation)
            return;
        --m_unrun;
        onReturned();
    });
}

void QScriptScheduler::flush()
{
    m_flushQueued = false;
    if (m_evalBlocked) {
        // Batches already sent come back to be run one by one; later scripts wait for them.
        if (m_batchesInFlight > 0)
            return;
        while (!m_scripts.isEmpty())
            runAlone(m_scripts.takeFirst());
        return;
    }
    // The page is still busy with what it was given: the scripts wait and go joined later.
    if (m_inFlight >= kMaxInFlight)
        return;
    // A script alone needs no joining: a syntax error of its own stops nothing else. While an
    // earlier batch may still come back unrun, it goes as a batch too, to keep its place.
    if (m_scripts.size() == 1 && (m_evalAllowed || m_batchesInFlight == 0)) {
        runAlone(m_scripts.takeFirst());
        return;
    }
    while (!m_scripts.isEmpty()) {
        QScriptBatch::Batch batch = m_scripts.take();
        ++m_batchesInFlight;
        ++m_inFlight;
        const int generation = m_generation;
        const QStringList scripts = batch.scripts;
        m_run(batch.source, [this, generation, scripts](const QVariant &result) {
            onBatchFinished(generation, result, scripts);
        });
    }
}

void QScriptScheduler::onBatchFinished(int generation, const QVariant &result,
                                       const QStringList &scripts)
{
    if (generation != m_generation)
        return;
    --m_batchesInFlight;
    if (result.toString() != QScriptBatch::evalBlockedResult()) {
        m_evalAllowed = true;
        m_unrun -= scripts.size();
    } else {
        // This document's policy forbids eval: none of the batch ran, so it is sent again as
        // one script each, in order.
        m_evalBlocked = true;
        for (const QString &script : scripts)
            runAlone(script);
    }
    onReturned();
}

void QScriptScheduler::onReturned()
{
    --m_inFlight;
    if (m_scripts.isEmpty())
        return;
    if (m_evalBlocked) {
        if (m_batchesInFlight == 0)
            flush();
        return;
    }
    // A flush already asked for comes at the end of the turn under way and takes along what
    // waited: that turn's scripts stay together.
    if (!m_flushQueued)
        flush();
}

bool QScriptScheduler::restart()
{
    // Answers of scripts sent to the previous document may never come.
    ++m_generation;
    m_unrun = m_scripts.size();
    m_batchesInFlight = 0;
    m_inFlight = 0;
    m_evalBlocked = false;
    m_evalAllowed = false;
    if (m_scripts.isEmpty() || m_flushQueued)
        return false;
    m_flushQueued = true;
    return true;
}
