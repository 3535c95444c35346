#pragma once

#include <QKeySequence>
#include <QObject>
#include <memory>

namespace quorvel {

// A system-wide shortcut: activated() fires whatever window has the focus.
// Registration fails (isRegistered() stays false) when another program holds
// the key; the destructor releases it.
class global_hotkey : public QObject {
    Q_OBJECT
public:
    explicit global_hotkey(QObject* parent = nullptr);
    ~global_hotkey() override;

    bool setShortcut(const QKeySequence& shortcut, bool autoRegister = false);
    QKeySequence shortcut() const { return shortcut_; }
    bool isRegistered() const { return registered_; }
    bool setRegistered(bool registered);

    // The system's side, one per implementation.
    struct backend;

signals:
    void activated();

private:
    QKeySequence shortcut_;
    bool registered_ = false;
    int handle_ = 0; // the backend's name for the registration
};

} // namespace quorvel
