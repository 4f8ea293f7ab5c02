#include "commandregistry.h"

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
    const auto &table = commands();
    const auto it = table.constFind(name.toLower());
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
