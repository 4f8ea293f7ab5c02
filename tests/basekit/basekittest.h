#pragma once

#include <QString>
#include <QStringList>
#include <csignal>
#include <sys/resource.h>

/// Helpers shared by the account-library tests.
namespace BasekitTest {

/// Points the library at a configuration and data folder of this process alone (inside the
/// folders the test runner gave), empties them and leaves the user signed out. Call before
/// each test.
void resetState();
/// The folder the library's log file lives in.
QString logDir();
/// Runs the probe program with the given arguments; its one line of output, trimmed.
QString probe(const QStringList &arguments, int *exitCode = nullptr);
/// Reads and writes the state file directly, as damage from outside would.
QByteArray readStateFile();
void writeStateFile(const QByteArray &content);

/// Limits the size of files this process writes, so writes past it fail as on a full disk
/// (with SIGXFSZ ignored); the old limit comes back on destruction.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool isSet() const { return m_set; }

private:
    rlimit m_saved {};
    struct sigaction m_savedAction
    {
    };
    bool m_set = false;
};

} // namespace BasekitTest
