#pragma once

#include "benchbarepage.h"

#include <QObject>
#include <QString>

/// The object a bench page reaches through QWebChannel as "bench".
class BenchChannelObject : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// The same constant answer as the prompt floor's, whatever the request.
    Q_INVOKABLE QString call(const QString &) const { return BenchBarePage::constantReply(); }
    Q_INVOKABLE void report(const QString &json) { emit reported(json); }

signals:
    void reported(const QString &json);
};
