#include "qscriptbatch.h"

#include "scriptliteral.h"

namespace {

// The batch is compiled once, as one eval, with a step counter between the scripts. When a
// script throws, the counter names it and the scripts after it run one eval each; when the
// batch does not even parse, every script runs on its own eval, so a syntax error costs only
// its own script. Errors reach the console as uncaught errors. A page whose policy forbids eval
// gets its scripts back ('noeval'), none of them run.
const char kStep[] = "__nativeBatchStep";
const char kRunner[] = R"JS((function (s, c) {
var w = window;
function report(e) { setTimeout(function () { throw e; }); }
w.__nativeBatchStep = -1;
try { (0, eval)(s); return 'ok'; } catch (e) {
    var failed = w.__nativeBatchStep;
    if (failed < 0 && e instanceof EvalError) return 'noeval';
    if (failed >= 0) report(e);
    for (var i = (failed + 1) * 2; i < c.length; i += 2) {
        try { (0, eval)(s.slice(c[i], c[i + 1])); } catch (x) { report(x); }
    }
    return 'ok';
}
})()JS";
const char kHead[] = "try{\n";
const char kTail[] = "\n}catch(e){setTimeout(function(){throw e})}\n";

} // namespace

void QScriptBatch::append(const QString &script)
{
    m_scripts.push_back(script);
}

QScriptBatch::Batch QScriptBatch::take(int maxChars)
{
    // The joined text goes to the page as one string literal, escaped as it is built; the
    // offsets of each script count characters of the text itself, not of the literal.
    static const QString runner = QLatin1String(kRunner);
    Batch batch;
    QString cuts;
    int joinedLength = 0;
    QString &source = batch.source;
    source.reserve(qMin(maxChars, 1 << 16) + runner.size() + 64);
    source += runner;
    source += QLatin1Char('"');
    while (!m_scripts.empty()) {
        const QString &script = m_scripts.front();
        // Each script is set apart by the step statement before it and a line break after
        // it, so a trailing line comment ends with it.
        const QString step = QLatin1Char(';') + QLatin1String(kStep) + QLatin1Char('=')
            + QString::number(batch.scripts.size()) + QLatin1String(";\n");
        const int length = step.size() + script.size() + 1;
        if (!batch.scripts.isEmpty() && joinedLength + length > maxChars)
            break;
        ScriptLiteral::appendEscaped(source, step);
        ScriptLiteral::appendEscaped(source, script);
        source += QLatin1String("\\n");
        const int start = joinedLength + step.size();
        if (!cuts.isEmpty())
            cuts += QLatin1Char(',');
        cuts += QString::number(start);
        cuts += QLatin1Char(',');
        cuts += QString::number(start + script.size());
        joinedLength += length;
        batch.scripts.append(script);
        m_scripts.pop_front();
    }
    source += QLatin1String("\",[");
    source += cuts;
    source += QLatin1String("])");
    return batch;
}

QString QScriptBatch::takeFirst()
{
    const QString script = m_scripts.front();
    m_scripts.pop_front();
    return script;
}

QString QScriptBatch::evalBlockedResult()
{
    return QStringLiteral("noeval");
}

QString QScriptBatch::standalone(const QString &script)
{
    return QLatin1String(kHead) + script + QLatin1String(kTail);
}
