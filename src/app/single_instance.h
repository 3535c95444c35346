#pragma once

#include <QSharedMemory>
#include <QString>

namespace quorvel {

// The lock that keeps one interactive instance per user session, held by a
// named shared-memory segment for the life of the process.
class single_instance {
public:
    static constexpr char key[] = "BA7D0DF0-B0CF-4B88-84BA-62BD93D3C6B4";

    explicit single_instance(const QString& key_text = QLatin1String(key));
    // False when another live instance holds the lock (or the segment cannot be made).
    bool acquire();

private:
    QSharedMemory memory_;
};

} // namespace quorvel
