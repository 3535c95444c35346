#pragma once

#include <QObject>

namespace quorvel {

class batch_upload;

// Sends the crash dumps and the logs of earlier runs to the public file store
// and deletes each uploaded file; empty files are deleted without upload and
// the current run's log stays. Failed uploads stay for the next run. Returns
// the batch (owned by `owner`, gone when it is done), or null with nothing to send.
batch_upload* upload_reports(QObject* owner);

} // namespace quorvel
