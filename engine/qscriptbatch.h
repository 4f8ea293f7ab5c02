#pragma once

#include <QString>
#include <QStringList>

#include <deque>

/**
 * Scripts queued for one page, joined into as few page scripts as possible.
 *
 * A joined batch keeps the scripts' order; a script that throws, or does not even parse,
 * leaves the others running, and its error reaches the page's console as an uncaught error.
 * Scripts run as global code through eval: their var and function declarations become
 * globals; let, const and class declarations stay within the batch (a name declared twice
 * in one batch makes each script run on its own).
 */
class QScriptBatch
{
public:
    static constexpr int kMaxBatchChars = 1 << 20;

    /// One joined batch: the page script and the scripts it holds.
    struct Batch
    {
        QString source;
        QStringList scripts;
    };

    void append(const QString &script);
    bool isEmpty() const { return m_scripts.empty(); }
    int size() const { return static_cast<int>(m_scripts.size()); }
    void clear() { m_scripts.clear(); }

    /// Takes scripts from the front, at least one, until the batch reaches maxChars.
    Batch take(int maxChars = kMaxBatchChars);
    QString takeFirst();

    /// A batch's result when the page forbids eval(): none of its scripts ran.
    static QString evalBlockedResult();
    /// One script on its own, for pages that forbid eval().
    static QString standalone(const QString &script);

private:
    std::deque<QString> m_scripts;
};
