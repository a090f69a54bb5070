#pragma once

#include <QLockFile>
#include <QString>

namespace platform {

// The previous-instance test: a per-user lock in the runtime folder, held
// for the life of the process. A lock left behind by a process that died is
// taken over.
class SingleInstance
{
public:
    // name: the program's name; one lock per name and user.
    explicit SingleInstance(const QString &name);

    // True when another live process of the same name holds the lock.
    bool previousInstance() const { return !m_owned; }

    static QString lockPath(const QString &name);

private:
    QLockFile m_lock;
    bool m_owned = false;
};

} // namespace platform
