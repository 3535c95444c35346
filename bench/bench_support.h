#pragma once

// What the benchmarks share: memory readings and their arguments.
#include <QByteArray>
#include <QFile>

namespace quorvel::bench {

// The resident memory in KiB; -1 where /proc/self/status is not there.
inline long rss_kib() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// The whole-number argument at index, or fallback when it is not given.
inline int int_arg(int argc, char** argv, int index, int fallback) {
    return argc > index ? QByteArray(argv[index]).toInt() : fallback;
}

} // namespace quorvel::bench
