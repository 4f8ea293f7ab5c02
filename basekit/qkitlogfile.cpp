#include "qkitlogfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

QKitLogFile::QKitLogFile(const QString &path, qint64 maxBytes)
    : m_path(path)
    , m_maxBytes(maxBytes > 0 ? maxBytes : kDefaultMaxBytes)
    , m_file(path)
{ }

QKitLogFile::~QKitLogFile()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    m_file.close();
}

QByteArray QKitLogFile::format(const sth::LogInfo &record)
{
    const QString time = QDateTime::fromSecsSinceEpoch(record.time).toString(Qt::ISODate);
    QString message = QString::fromStdWString(record.message);
    // One record, one line: multi-line texts (exception reports) keep their breaks as "\n".
    message.remove(QLatin1Char('\r'));
    message.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    const QString file =
        record.file.empty() ? QStringLiteral("?") : QString::fromStdString(record.file);
    return QStringLiteral("%1 [%2] %3:%4 %5")
        .arg(time)
        .arg(record.level)
        .arg(file)
        .arg(record.line)
        .arg(message)
        .toUtf8();
}

void QKitLogFile::write(const sth::LogInfo &record)
{
    // Formatted under the lock too: local-time conversion is not safe from many threads at once.
    std::lock_guard<std::mutex> locker(m_mutex);
    const QByteArray line = format(record) + '\n';
    if (!m_file.isOpen()) {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            return;
    }
    if (m_file.size() > 0 && m_file.size() + line.size() > m_maxBytes) {
        rotateLocked();
        if (!m_file.isOpen())
            return;
    }
    m_file.write(line);
    // Flushed at once: the lines before a crash are the ones that matter.
    m_file.flush();
}

void QKitLogFile::rotateLocked()
{
    m_file.close();
    QFile::remove(m_path + QLatin1Char('.') + QString::number(kKeptFiles));
    for (int i = kKeptFiles - 1; i >= 1; --i) {
        const QString from = m_path + QLatin1Char('.') + QString::number(i);
        if (QFile::exists(from))
            QFile::rename(from, m_path + QLatin1Char('.') + QString::number(i + 1));
    }
    QFile::rename(m_path, m_path + QStringLiteral(".1"));
    m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}
