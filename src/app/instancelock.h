#pragma once

#include "store/runerror.h"

#include <QLockFile>
#include <QString>

#include <memory>
#include <optional>

// The lock of a program directory: one Skylog at a time works on its files, with its window or as a service.
// A lock left behind by a killed process is recognised by its dead process id and taken over.
class InstanceLock {
public:
    // The option that starts Skylog as a service.
    static const QString serviceOption;

    // Takes the lock for the running program.
    explicit InstanceLock(const QString &programDir);

    bool held() const { return taken; }
    // Who holds the lock instead, in a German sentence; empty when it is held here.
    QString refusal() const;
    // Why the lock file itself could not be made (a directory without write permission, ...); nothing when
    // another Skylog holds the lock or it is held here.
    std::optional<RunError> fault() const;

private:
    std::unique_ptr<QLockFile> lock;
    bool taken = false;
    qint64 holderPid = 0;
    // The holder was started with serviceOption.
    bool holderIsService = false;
};
