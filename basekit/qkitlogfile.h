#pragma once

#include "logger.h"

#include <QFile>
#include <QString>
#include <mutex>

/// The log sink: appends one line per record to a file, moving it to ".1" (and older ones up
/// to the kept count) once it would grow past the size bound.
class QKitLogFile
{
public:
    static constexpr qint64 kDefaultMaxBytes = 1024 * 1024;
    static constexpr int kKeptFiles = 3;

    QKitLogFile(const QString &path, qint64 maxBytes);
    ~QKitLogFile();

    void write(const sth::LogInfo &record);
    QString path() const { return m_path; }

    /// The line written for a record, without its line end.
    static QByteArray format(const sth::LogInfo &record);

private:
    void rotateLocked();

    std::mutex m_mutex;
    QString m_path;
    qint64 m_maxBytes;
    QFile m_file;
};
