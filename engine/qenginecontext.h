#pragma once

#include "wke.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

class QEngineView;
class QJsExecState;
class QWebEngineProfile;

/**
 * The engine's process-wide state: the bound functions (shared by every view, whenever they
 * were bound), the browser profile, and the live views and calls, so that a handle the host
 * kept too long is refused instead of followed.
 *
 * Everything here lives on the GUI thread.
 */
class QEngineContext : public QObject
{
    Q_OBJECT

public:
    struct Binding
    {
        QString name;
        jsNativeFunction function = nullptr;
        unsigned int argCount = 0;
        /// The page-side script of the binding (see QPromptChannel::bindingEntry); may be empty.
        QString pageScript;
    };

    static QEngineContext *instance();

    /// Checks the process can host browser views; false without a QApplication.
    bool initialize();
    /// Releases every view (pages before the profile they use), then the profile.
    void finalize();
    QWebEngineProfile *profile();

    void bind(const QString &name, jsNativeFunction function, unsigned int argCount);
    /// Gives a binding, bound now or later, a page-side script of its own.
    void setPageScript(const QString &name, const QString &pageScript);
    const QVector<Binding> &bindings() const { return m_bindings; }
    const Binding *binding(const QString &name) const;
    /// The secret that tells the main frame's bridge calls from forged ones.
    QString token() const { return m_token; }

    void registerView(QEngineView *view);
    void unregisterView(QEngineView *view);
    QEngineView *view(wkeWebView handle) const;
    void destroyView(QEngineView *view);

    void enterCall(QJsExecState *state);
    void leaveCall(QJsExecState *state);
    QJsExecState *state(jsExecState handle) const;

    /// Host code runs between these; views it destroys meanwhile are deleted afterwards, since
    /// the browser may still be on their stack.
    void enterHost() { ++m_hostDepth; }
    void leaveHost() { --m_hostDepth; }

signals:
    void bindingAdded(const QString &name);
    /// Documents created from now on get the binding's new page script; a document that
    /// already runs keeps the one it started with, and what it counted.
    void pageScriptChanged(const QString &name);

private:
    QEngineContext();

    bool m_initialized = false;
    QString m_token;
    QVector<Binding> m_bindings;
    /// Page scripts by binding name, kept for bindings made after them.
    QHash<QString, QString> m_pageScripts;
    QVector<QEngineView *> m_views;
    QVector<QJsExecState *> m_calls;
    QPointer<QWebEngineProfile> m_profile;
    int m_hostDepth = 0;
};
