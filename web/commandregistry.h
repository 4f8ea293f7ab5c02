#pragma once

#include "qdtareply.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <json/json.h>

/// A host command: gets the request's "param" and fills the reply.
using CommandHandler = std::function<void(const Json::Value &param, const ReplyPtr &reply)>;

struct CommandEntry
{
    CommandHandler handler;
    /// The command may run on the work pool when the page asks for it.
    bool async = false;
};

/// The process-wide table of host commands, keyed by lower-cased name so the page may write a
/// name in any letter case. Touched on the GUI thread only.
class CommandRegistry
{
public:
    /// Stores the command under the lower-cased name; a later registration replaces it.
    static void registerCommand(const QString &name, const CommandHandler &handler, bool async);
    /// The entry for the name in any letter case; null when there is none.
    static const CommandEntry *find(const QString &name);
    /// The lower-cased names of the commands that may run on the work pool, in order.
    static QStringList asyncNames();
    static void clear();

private:
    static QMap<QString, CommandEntry> &commands();
};
