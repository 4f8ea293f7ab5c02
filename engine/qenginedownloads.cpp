#include "qenginedownloads.h"

#include "qenginelog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWebEngineDownloadItem>
#include <QWebEngineProfile>

void QEngineDownloads::attach(QWebEngineProfile *profile)
{
    new QEngineDownloads(profile);
}

QEngineDownloads::QEngineDownloads(QWebEngineProfile *profile)
    : QObject(profile)
{
    connect(profile, &QWebEngineProfile::downloadRequested, this,
            &QEngineDownloads::onDownloadRequested);
}

void QEngineDownloads::onDownloadRequested(QWebEngineDownloadItem *download)
{
    if (download->state() != QWebEngineDownloadItem::DownloadRequested)
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    // The request must be answered before this returns: the dialog runs its own loop here.
    const QString path = QFileDialog::getSaveFileName(
        nullptr, QString(), QDir(folder).filePath(download->downloadFileName()));
    if (path.isEmpty()) {
        download->cancel();
        return;
    }
    const QFileInfo target(path);
    download->setDownloadDirectory(target.absolutePath());
    download->setDownloadFileName(target.fileName());
    connect(download, &QWebEngineDownloadItem::finished, download, [download] {
        if (download->state() != QWebEngineDownloadItem::DownloadCompleted)
            QEngineLog::warning(
                QStringLiteral("download of %1 failed: %2")
                    .arg(download->downloadFileName(), download->interruptReasonString()));
    });
    download->accept();
}
