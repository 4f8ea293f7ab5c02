#pragma once

#include <QObject>
#include <QString>

/// The object a bench page reaches through QWebChannel as "bench".
class BenchChannelObject : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE QString echo(const QString &text) const { return text; }
    Q_INVOKABLE void report(const QString &json) { emit reported(json); }

signals:
    void reported(const QString &json);
};
