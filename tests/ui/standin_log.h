#pragma once

// The stand-in chat application's log (one JSON object a line), as the
// end-to-end tests read it.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>

// The window id the stand-in writes on its first line; 0 until it has.
inline quint64 standin_window(const QString& log) {
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return QJsonDocument::fromJson(file.readLine())
        .object()
        .value("window")
        .toString()
        .toULongLong();
}

// Every logged event of that name ("paste", "send"), in order.
inline QList<QJsonObject> standin_events(const QString& log, const QString& name) {
    QFile file(log);
    QList<QJsonObject> events;
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            if (event.value("event").toString() == name)
                events << event;
        }
    return events;
}
