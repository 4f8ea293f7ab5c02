#pragma once

#include <QApplication>
#include <QStringList>
#include <QWidget>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QTranslator;

/// Application base that keeps one running instance per server name: a later start that can
/// connect to the running one asks it to come to the front and ends. Runs the start sequence
/// init(), run(), uninit() and holds the main window and the translator for the program's life.
class QSingleApplication : public QApplication
{
    Q_OBJECT
public:
    /// argc and argv must stay valid for the object's whole life.
    QSingleApplication(int &argc, char **argv);
    ~QSingleApplication() override;

    void setServerName(const QString &name);
    QString serverName() const { return m_serverName; }
    /// The address the server listens on, reachable by this user only: empty when it could not
    /// listen anywhere; before startServer(), the preferred one.
    QString serverPath() const;

    void setMainWidget(const std::shared_ptr<QWidget> &widget);
    QWidget *mainWidget() const { return m_mainWidget.get(); }
    QStringList commandLine() const { return m_commandLine; }

    void loadTranslator(const QString &prefix, const QString &language);
    void loadTranslator(const QString &directory, const QString &prefix, const QString &language);

    bool connectToPrimary();
    bool startServer();
    void activateMainWindow();
    /// Starts a program detached and hidden, arguments joined by blanks.
    void startProgram(const QString &program, const QStringList &arguments);

public slots:
    virtual void newLocalConnection();
    /// 0 when another instance was reached, else the result of run().
    virtual int execute();
    virtual void onInstanceMessage(const QString &text);
    virtual void onClientConnected(QLocalSocket *socket);

protected:
    virtual void handleNewConnection();
    virtual int run();
    virtual void init();
    virtual void uninit();

private slots:
    void onReadyRead();
    void onDisconnected();

private:
    std::unique_ptr<QLocalServer> m_localServer;
    std::unique_ptr<QTranslator> m_translator;
    std::shared_ptr<QWidget> m_mainWidget;
    QString m_serverName;
    QString m_listeningPath;
    QLocalSocket *m_currentConnection = nullptr;
    QStringList m_commandLine;
};
