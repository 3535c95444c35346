#pragma once

// The stand-in chat application beside an end-to-end test: a WeCom-like
// window logging into a temporary directory, killed with the fixture.
#include "platform/window_handle.h"
#include "standin_log.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class standin_fixture {
public:
    ~standin_fixture() {
        process_.kill();
        process_.waitForFinished(3000);
    }

    // Starts the stand-in; its window once it is up, 0 when none came within ten seconds.
    quorvel::window_handle_t start(const QString& program) {
        process_.start(program, {"--kind", "wecom", "--log", log()});
        quorvel::window_handle_t window = 0;
        return QTest::qWaitFor([&] { return (window = standin_window(log())) != 0; }, 10000)
                   ? window
                   : 0;
    }

    // Every logged event of that name ("paste", "send"), in order.
    QList<QJsonObject> events(const QString& name) const { return standin_events(log(), name); }

private:
    QString log() const { return dir_.filePath("chat.jsonl"); }

    QTemporaryDir dir_;
    QProcess process_;
};
