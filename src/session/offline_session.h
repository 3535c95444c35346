#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class QTimer;

namespace quorvel {

class library_saver;
class library_sync;
class session;

// Keeps the account's library on disk and lets the client work from it when
// the server cannot be reached: saves the library after every complete
// synchronisation and after every change of the store, checks an offline
// login against the password hash of the last online login, fills the
// store from the saved library, and tries the server again in the
// background until a login succeeds; then the session it follows
// synchronises as at a start.
//
// The password of an offline login stays in this object's memory only: it
// is what logs in again once the server answers. Nothing on disk lets a
// copier of the file log in (no password, no token).
class offline_session : public QObject {
    Q_OBJECT
public:
    static offline_session& instance();

    // other_account: the file under this account's name holds another
    // account's library (copied there), which never opens.
    enum class access { allowed, no_library, other_account, wrong_password };

    // After an online login: the hash the next offline login is checked with.
    void remember_login(const QString& account, const QString& password);
    access check(const QString& account, const QString& password) const;
    // Fills the store from the saved library and opens the main window
    // offline; false when the file cannot be read.
    bool start_offline(const QString& account, const QString& password);

    // Saves once the synchronisation is over and complete; from then on
    // every change of the store is saved too.
    void watch(library_sync* sync);
    // The session whose synchronisations are watched and which the return
    // online goes through (it closes the main window and synchronises).
    void follow(session* owner);
    // Saves now what a pending change would save a moment later, and waits
    // until every save asked for is on disk (at quit, for one).
    void flush();

    // Retry delays: the first, doubled after each failure up to the last; a pending
    // retry is re-armed with the first.
    static void set_retry_delays(int first_ms, int max_ms);
    // What the last return online changed, as the main window shows it.
    const QString& change_summary() const { return summary_; }

signals:
    // A save reached the disk.
    void saved();
    // The client is online again and synchronised; summary says what changed.
    void reconnected(const QString& summary);

private:
    offline_session();
    void on_store_changed();
    void save_now();
    void schedule_retry();
    void try_server();
    void resynchronise();
    void on_synchronised(bool complete);
    // The main window is gone: the store is refilled from the server.
    void prepare_return();

    QString account_;
    QString password_; // of the offline login, in memory only
    bool watching_ = false;
    QTimer* save_timer_;
    QTimer* retry_timer_;
    library_saver* saver_;
    int retry_delay_ms_ = 0;
    QHash<QString, QString> before_; // record key → its version, at going back online
    QString summary_;
    QPointer<session> session_;
    bool returning_ = false; // the next synchronisation is the return online
};

} // namespace quorvel
