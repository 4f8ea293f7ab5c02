#pragma once

#include <QTemporaryDir>

/// Points XDG_DATA_HOME and XDG_CACHE_HOME at fresh folders inside the test's own ones for the
/// life of the object, so test processes running side by side never share a browser profile.
class PrivateBrowserData
{
public:
    PrivateBrowserData();

private:
    QTemporaryDir m_data;
    QTemporaryDir m_cache;
};
