#include "benchtable.h"

#include <QJsonDocument>
#include <QStringList>

#include <algorithm>

namespace {

const QLatin1String kResultLead("RESULT ");

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString targetText(const BenchTable::Figure &figure)
{
    switch (figure.target) {
    case BenchTable::Target::AtMost:
        return QStringLiteral("≤ %1×").arg(number(figure.targetRatio, 2));
    case BenchTable::Target::AtLeast:
        return QStringLiteral("≥ %1×").arg(number(figure.targetRatio, 2));
    case BenchTable::Target::None:
        break;
    }
    return QStringLiteral("-");
}

QString verdictText(BenchTable::Verdict verdict)
{
    switch (verdict) {
    case BenchTable::Verdict::Met:
        return QStringLiteral("met");
    case BenchTable::Verdict::Missed:
        return QStringLiteral("missed");
    case BenchTable::Verdict::Unknown:
        return QStringLiteral("no data");
    case BenchTable::Verdict::NoTarget:
        break;
    }
    return QString();
}

} // namespace

QVector<BenchTable::Figure> BenchTable::bridgeFigures()
{
    using T = Target;
    const QString shell = QStringLiteral("shell");
    const QString floor = QStringLiteral("floor");
    const QString channel = QStringLiteral("channel");
    return {
        {QStringLiteral("sync win_message, median"), QStringLiteral("syncMedianMs"), shell, floor,
         QStringLiteral("ms"), 1, 3, T::AtMost, 1.10},
        {QStringLiteral("sync win_message, p99"), QStringLiteral("syncP99Ms"), shell, floor,
         QStringLiteral("ms"), 1, 3, T::None, 0},
        {QStringLiteral("sync win_message, mean of the middle half"),
         QStringLiteral("syncMidMeanMs"), shell, floor, QStringLiteral("ms"), 1, 4, T::None, 0},
        {QStringLiteral("sync win_message vs channel awaited, median"),
         QStringLiteral("syncMedianMs"), shell, channel, QStringLiteral("ms"), 1, 3, T::None, 0},
        {QStringLiteral("win_width(), median"), QStringLiteral("widthMedianMs"), shell, floor,
         QStringLiteral("ms"), 1, 3, T::AtMost, 1.05},
        {QStringLiteral("win_width(), mean of the middle half"), QStringLiteral("widthMidMeanMs"),
         shell, floor, QStringLiteral("ms"), 1, 4, T::None, 0},
        {QStringLiteral("idle async request to onMessage, median"), QStringLiteral("idleMedianMs"),
         shell, channel, QStringLiteral("ms"), 1, 3, T::AtMost, 1.0},
        {QStringLiteral("async burst"), QStringLiteral("burstPerSecond"), shell, channel,
         QStringLiteral("requests/s"), 1, 0, T::AtLeast, 3.0},
        {QStringLiteral("start -> page loaded -> exit"), QStringLiteral("startMs"),
         QStringLiteral("start-shell"), QStringLiteral("start-bare"), QStringLiteral("ms"), 1, 0,
         T::AtMost, 1.0},
        {QStringLiteral("PSS of the process tree after load"), QStringLiteral("pssKb"),
         QStringLiteral("pss-shell"), QStringLiteral("pss-bare"), QStringLiteral("MiB"), 1.0 / 1024,
         1, T::AtMost, 1.0},
        {QStringLiteral("private memory of the process tree after load"),
         QStringLiteral("privateKb"), QStringLiteral("pss-shell"), QStringLiteral("pss-bare"),
         QStringLiteral("MiB"), 1.0 / 1024, 1, T::None, 0},
    };
}

double BenchTable::median(QVector<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

BenchTable::BenchTable(QVector<Figure> figures)
    : m_figures(std::move(figures))
{ }

void BenchTable::addLine(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(kResultLead))
        return;
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(trimmed.mid(kResultLead.size()).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()
        || !document.object().value(QStringLiteral("program")).isString()) {
        ++m_rejected;
        return;
    }
    addResult(document.object());
}

void BenchTable::addResult(const QJsonObject &result)
{
    auto &values = m_values[result.value(QStringLiteral("program")).toString()];
    for (auto it = result.constBegin(); it != result.constEnd(); ++it) {
        // Figures are numbers; a run whose page never produced one leaves no value.
        if (it.value().isDouble())
            values[it.key()].append(it.value().toDouble());
    }
}

QVector<BenchTable::Row> BenchTable::rows() const
{
    QVector<Row> rows;
    for (const Figure &figure : m_figures) {
        Row row;
        row.figure = figure;
        const QVector<double> shell = m_values.value(figure.shell).value(figure.key);
        const QVector<double> baseline = m_values.value(figure.baseline).value(figure.key);
        row.shellRuns = shell.size();
        row.baselineRuns = baseline.size();
        if (!shell.isEmpty())
            row.shell = median(shell);
        if (!baseline.isEmpty())
            row.baseline = median(baseline);
        if (row.shell && row.baseline && *row.baseline != 0)
            row.ratio = *row.shell / *row.baseline;
        if (!shell.isEmpty() && shell.size() == baseline.size() && !baseline.contains(0.0)) {
            QVector<double> ratios;
            for (int run = 0; run < shell.size(); ++run)
                ratios.append(shell.at(run) / baseline.at(run));
            row.pairedRatio = median(ratios);
        }
        if (figure.target == Target::None)
            row.verdict = Verdict::NoTarget;
        else if (!row.ratio)
            row.verdict = Verdict::Unknown;
        else if (figure.target == Target::AtMost)
            row.verdict = *row.ratio <= figure.targetRatio ? Verdict::Met : Verdict::Missed;
        else
            row.verdict = *row.ratio >= figure.targetRatio ? Verdict::Met : Verdict::Missed;
        rows.append(row);
    }
    return rows;
}

QVector<QStringList> BenchTable::cells() const
{
    QVector<QStringList> cells;
    cells.append({QStringLiteral("figure"), QStringLiteral("shell"), QStringLiteral("baseline"),
                  QStringLiteral("ratio"), QStringLiteral("paired"), QStringLiteral("target"),
                  QStringLiteral("runs")});
    for (const Row &row : rows()) {
        const Figure &figure = row.figure;
        const auto shown = [&figure](const std::optional<double> &value) {
            return value
                ? number(*value * figure.scale, figure.decimals) + QLatin1Char(' ') + figure.unit
                : QStringLiteral("n/a");
        };
        QString target = targetText(figure);
        const auto shownRatio = [](const std::optional<double> &ratio) {
            return ratio ? number(*ratio, 2) + QStringLiteral("×") : QStringLiteral("n/a");
        };
        const QString verdict = verdictText(row.verdict);
        if (!verdict.isEmpty())
            target += QStringLiteral(" (%1)").arg(verdict);
        cells.append({figure.name, shown(row.shell),
                      shown(row.baseline) + QStringLiteral(" (%1)").arg(figure.baseline),
                      shownRatio(row.ratio), shownRatio(row.pairedRatio), target,
                      QStringLiteral("%1/%2").arg(row.shellRuns).arg(row.baselineRuns)});
    }
    return cells;
}

QString BenchTable::text() const
{
    const QVector<QStringList> table = cells();
    QVector<int> widths(table.constFirst().size(), 0);
    for (const QStringList &line : table) {
        for (int column = 0; column < line.size(); ++column)
            widths[column] = qMax(widths.at(column), line.at(column).size());
    }
    QString text;
    for (const QStringList &line : table) {
        QStringList padded;
        for (int column = 0; column < line.size(); ++column) {
            // Numbers read best aligned on the right, names on the left.
            padded << (column == 0 ? line.at(column).leftJustified(widths.at(column))
                                   : line.at(column).rightJustified(widths.at(column)));
        }
        text += padded.join(QStringLiteral("  ")).trimmed() + QLatin1Char('\n');
    }
    return text;
}

QString BenchTable::markdown() const
{
    const QVector<QStringList> table = cells();
    QString text;
    for (int index = 0; index < table.size(); ++index) {
        QStringList escaped;
        for (const QString &cell : table.at(index))
            escaped << QString(cell).replace(QLatin1Char('|'), QLatin1String("\\|"));
        text += QStringLiteral("| %1 |\n").arg(escaped.join(QStringLiteral(" | ")));
        if (index == 0) {
            QStringList rule {QStringLiteral("---")};
            while (rule.size() < escaped.size())
                rule << QStringLiteral("---:");
            text += QStringLiteral("| %1 |\n").arg(rule.join(QStringLiteral(" | ")));
        }
    }
    return text;
}
