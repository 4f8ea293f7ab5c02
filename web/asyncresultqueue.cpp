#include "asyncresultqueue.h"

#include "bridgeprotocol.h"

bool AsyncResultQueue::add(QString escapedText, ReplyPtr reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool first = m_finished.empty();
    m_finished.push_back({std::move(escapedText), std::move(reply)});
    return first;
}

void AsyncResultQueue::collect()
{
    std::vector<Finished> finished;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        finished.swap(m_finished);
    }
    int length = m_texts.size();
    for (const Finished &call : finished)
        length += call.escapedText.size() + 1;
    m_texts.reserve(length);
    for (const Finished &call : finished)
        append(call.escapedText);
    // Counted as waiting now, the calls themselves may go.
}

void AsyncResultQueue::append(const QString &escapedText)
{
    ++m_waiting;
    // A page that repeats one request tends to get one result over and over: a run of the same
    // text goes once, followed by how many more there are.
    if (!m_texts.isEmpty() && escapedText == m_lastText) {
        ++m_repeats;
        return;
    }
    endRun();
    if (!m_texts.isEmpty())
        m_texts += QLatin1Char(',');
    m_texts += escapedText;
    m_lastText = escapedText;
}

void AsyncResultQueue::endRun()
{
    if (m_repeats == 0)
        return;
    m_texts += QLatin1Char(',');
    m_texts += QString::number(m_repeats);
    m_repeats = 0;
}

QString AsyncResultQueue::takeScript(qint64 sequence)
{
    endRun();
    m_lastText.clear();
    const QString script = BridgeProtocol::resultsScript(m_texts);
    m_scripts.push_back({sequence, m_waiting});
    m_unrunResults += m_waiting;
    m_texts.clear();
    m_waiting = 0;
    return script;
}

int AsyncResultQueue::unrunPushes(int unrunScripts, qint64 scriptsGiven)
{
    const qint64 run = scriptsGiven - unrunScripts;
    while (!m_scripts.empty() && m_scripts.front().sequence <= run) {
        m_unrunResults -= m_scripts.front().results;
        m_scripts.pop_front();
    }
    return unrunScripts - int(m_scripts.size()) + m_unrunResults + m_waiting;
}
