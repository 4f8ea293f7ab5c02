// Reads the output of compare.sh's runs on stdin and prints the table of figures: the shell's
// median over the runs, the baseline's, their ratio and the target, as text and as Markdown.
// Exits 1 when a RESULT line did not parse or a figure lacks data on either side.

#include "benchtable.h"

#include <QTextStream>

#include <cstdio>

int main()
{
    QTextStream input(stdin);
    input.setCodec("UTF-8");
    BenchTable table(BenchTable::bridgeFigures());
    QString line;
    while (input.readLineInto(&line))
        table.addLine(line);

    QTextStream output(stdout);
    output.setCodec("UTF-8");
    output << table.text() << '\n' << table.markdown();
    output.flush();
    bool complete = true;
    for (const BenchTable::Row &row : table.rows()) {
        if (!row.ratio) {
            complete = false;
            std::fprintf(stderr, "bench_table: no data for \"%s\"\n", qPrintable(row.figure.name));
        }
    }
    if (table.rejectedLines() > 0)
        std::fprintf(stderr, "bench_table: %d RESULT lines did not parse\n", table.rejectedLines());
    return table.rejectedLines() == 0 && complete ? 0 : 1;
}
