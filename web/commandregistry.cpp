#include "commandregistry.h"

#include <QVarLengthArray>

QMap<QString, CommandEntry> &CommandRegistry::commands()
{
    // Built on first use, so registration works before any host exists.
    static QMap<QString, CommandEntry> table;
    return table;
}

void CommandRegistry::registerCommand(const QString &name, const CommandHandler &handler,
                                      bool async)
{
    commands().insert(name.toLower(), CommandEntry {handler, async});
}

const CommandEntry *CommandRegistry::find(const QString &name)
{
    // Asked on every call: an ASCII name, which every real one is, is lower-cased on the stack.
    QVarLengthArray<QChar, 64> lower(name.size());
    bool ascii = true;
    for (int i = 0; i < name.size() && ascii; ++i) {
        const ushort c = name.at(i).unicode();
        ascii = c < 0x80;
        lower[i] = QChar(c >= 'A' && c <= 'Z' ? ushort(c + ('a' - 'A')) : c);
    }
    const QString key =
        ascii ? QString::fromRawData(lower.constData(), lower.size()) : name.toLower();
    const auto &table = commands();
    const auto it = table.constFind(key);
    return it == table.constEnd() ? nullptr : &it.value();
}

QStringList CommandRegistry::asyncNames()
{
    QStringList names;
    const auto &table = commands();
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        if (it.value().async && it.value().handler)
            names.append(it.key());
    }
    return names;
}

void CommandRegistry::clear()
{
    commands().clear();
}
