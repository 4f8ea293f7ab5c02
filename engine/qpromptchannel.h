#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVector>

/**
 * The prompt channel between a page's bound script functions and the engine.
 *
 * A bound function calls prompt() with callMarker() as the message and "@<token>:<calls>" as the
 * default value; the answer is the prompt's result, a type letter followed by the value. Each
 * new main-frame document first asks, with "?<token>:<its address>", whether it may have the
 * bridge at all, and defines nothing unless the answer is true. Pure text handling, no browser
 * objects.
 *
 * Calls are framed text: for each call its name, its argument count and each argument, where a
 * framed part is its length in characters, a colon and the characters: "<n>:<name><count>:"
 * then "s<n>:<text>" for a text or "j<n>:<json>" for any other value (and for a text holding
 * U+0000, which prompt() would cut short); "*" in place of a call repeats the call before it.
 * Posted calls need no answer: they wait in the page until its current task ends and then go
 * together, as one message [token, calls] over the browser's message port, or, when a call that
 * waits comes first, ahead of it in its payload, the waiting call last.
 */
class QPromptChannel
{
public:
    /// A call of a bound function as the page made it.
    struct Invocation
    {
        QString name;
        QVector<QJsonValue> arguments;
    };

    /// One decoded call; valid is false when the payload was not a well-formed call with the
    /// token.
    struct Call
    {
        bool valid = false;
        QString name;
        QVector<QJsonValue> arguments;
        /// Set for the question a new document asks before it defines any bound function:
        /// its own address. Answered with a boolean.
        bool isDocumentCheck = false;
        QString documentAddress;
        /// Calls posted earlier, to be run first.
        QVector<Invocation> posted;
    };

    /// The prompt() message that marks a bridge call.
    static QString callMarker();
    /// The name of the hidden global through which bound functions reach the bridge.
    static QString bridgeGlobalName();

    /// Script run at document creation: once the browser agrees, defines the hidden bridge
    /// function, keeping the token and the page's original prompt() in a closure the page
    /// cannot reach.
    /// Posted calls go to property receiverProperty of the browser-side object receiver.
    static QString coreScript(const QString &token, const QString &receiver, int receiverProperty);
    /// One bound global function for bindingsScript(). pageScript, when not empty, is the source
    /// of a script function (call, post) that returns the function the page gets: call(arguments)
    /// makes the call and gives its value, post(arguments) posts it.
    static QString bindingEntry(const QString &name, unsigned int argCount,
                                const QString &pageScript = QString());
    /// Script that defines the bound global functions of the entries on top of the core script.
    static QString bindingsScript(const QStringList &entries);
    /// True for names that are plain script identifiers (and not the bridge's own).
    static bool isValidName(const QString &name);

    /// A payload as the core script writes it: "?", token, ":" and the document's address, or
    /// "@", token, ":" and framed calls (decodePosted()), the waiting one last. Nothing after a
    /// wrong token is read.
    static Call decodeCall(const QString &payload, const QString &token);
    /// Posted calls from their framed text; a call of the wrong form ends the list.
    static QVector<Invocation> decodePosted(const QString &calls);
    static QString encodeValue(const QJsonValue &value);
    static QString encodeInteger(int value);
    static QString encodeUndefined();

    /// Whether a document of origin document may use the bridge of a view whose address was
    /// loaded: scheme, host and port must agree; any file: document counts as the origin of a
    /// file: address; opaque origins (data:, about:, sandboxed) never match.
    static bool isSameOrigin(const QUrl &loaded, const QUrl &document);

    /// Whether a main-frame document at document belongs with the page loaded from loaded and
    /// may have the bridge: same origin, and for a file: page only files under the page's own
    /// folder.
    static bool isTrustedDocument(const QUrl &loaded, const QUrl &document);
};
