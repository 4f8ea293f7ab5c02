#pragma once

#include <QString>
#include <QStringList>

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

} // namespace BasekitTest
