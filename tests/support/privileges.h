#pragma once

#include <QtGlobal>

// While alive, the calling thread runs without the capabilities that let root ignore file permissions, so a
// read-only file or directory is read-only for the test as for an ordinary user. Does nothing for an
// ordinary user, whose permissions apply anyway.
class WithoutRootOverride {
public:
    WithoutRootOverride();
    ~WithoutRootOverride();
    WithoutRootOverride(const WithoutRootOverride &) = delete;
    WithoutRootOverride &operator=(const WithoutRootOverride &) = delete;

private:
    bool dropped = false;
    quint32 effective = 0;
};

// Mounts a tmpfs of `bytes` at `dir` (needs root); false when the system does not allow it.
bool mountSmallDisk(const QString &dir, qint64 bytes);
void unmountSmallDisk(const QString &dir);
