#pragma once

#include <QObject>

class QWebEngineDownloadItem;
class QWebEngineProfile;

/// Saves what a page downloads (a link with "download", a generated file) where the user
/// chooses in a save dialog; cancelling the dialog cancels the download. Without this the
/// browser drops every download.
class QEngineDownloads : public QObject
{
    Q_OBJECT
public:
    /// Handles the downloads of profile for as long as the profile lives.
    static void attach(QWebEngineProfile *profile);

private:
    explicit QEngineDownloads(QWebEngineProfile *profile);
    void onDownloadRequested(QWebEngineDownloadItem *download);
};
