#pragma once

#include <QString>
#include <cstdint>
#include <sys/types.h>

/// What the crashed process put into the shared block before starting the writer: its
/// process id, the id of the thread that crashed and the address of the record (siginfo_t)
/// the system handed to its crash handler.
class DumpRequest
{
public:
    /// Reads the block called mappingName; false with a message when there is none.
    bool read(const QString &mappingName, QString *error);

    /// Parses the block's bytes; false with a message when the size is wrong.
    bool parse(const unsigned char *bytes, size_t size, QString *error);

    /// True when the block describes a live process that is our parent (the crashed process
    /// starts its writer itself) and a thread of it; otherwise false with a message.
    bool describesCrashedParent(QString *error) const;

    pid_t processId() const { return m_processId; }
    pid_t threadId() const { return m_threadId; }
    uint64_t recordAddress() const { return m_recordAddress; }

private:
    pid_t m_processId = 0;
    pid_t m_threadId = 0;
    uint64_t m_recordAddress = 0;
};
