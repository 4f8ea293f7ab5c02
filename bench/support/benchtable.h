#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QVector>

#include <optional>

/// The side-by-side table of the bridge benchmarks: RESULT lines of several runs of the shell's
/// programs and of their baselines go in; each figure comes out as the median over the runs for
/// the shell and for its baseline, their ratio, and whether the ratio meets the figure's target.
/// The runs of both sides alternate, so the n-th run of one ran next to the n-th of the other:
/// the median of their ratios run by run is shown too, as it moves less when the machine's load
/// changes between runs.
class BenchTable
{
public:
    enum class Target { None, AtMost, AtLeast };

    /// One line of the table: a value read under key from the RESULT lines of program shell and
    /// of program baseline.
    struct Figure
    {
        QString name;
        QString key;
        QString shell;
        QString baseline;
        QString unit;
        /// Values are multiplied by it before they are shown (kilobytes shown in MiB).
        double scale = 1;
        int decimals = 3;
        Target target = Target::None;
        double targetRatio = 0;
    };

    enum class Verdict { NoTarget, Met, Missed, Unknown };

    struct Row
    {
        Figure figure;
        int shellRuns = 0;
        int baselineRuns = 0;
        std::optional<double> shell;
        std::optional<double> baseline;
        std::optional<double> ratio;
        /// Only when both sides have the same number of runs.
        std::optional<double> pairedRatio;
        Verdict verdict = Verdict::Unknown;
    };

    /// The figures compare.sh prints, with their targets.
    static QVector<Figure> bridgeFigures();
    /// The middle value, or the mean of the two middle ones; 0 for no values.
    static double median(QVector<double> values);

    explicit BenchTable(QVector<Figure> figures);

    /// Takes a line "RESULT {json}" with a "program" member; other lines are ignored. A RESULT
    /// line that does not parse is counted as rejected.
    void addLine(const QString &line);
    void addResult(const QJsonObject &result);
    int rejectedLines() const { return m_rejected; }

    QVector<Row> rows() const;
    /// Aligned columns for a terminal.
    QString text() const;
    /// The same table as Markdown, to paste into a note.
    QString markdown() const;

private:
    QVector<QStringList> cells() const;

    QVector<Figure> m_figures;
    // program -> key -> one value per run
    QHash<QString, QHash<QString, QVector<double>>> m_values;
    int m_rejected = 0;
};
