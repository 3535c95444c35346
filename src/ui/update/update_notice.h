#pragma once

#include "model/records.h"

namespace quorvel {

// What the start-up check does with the offered version.
enum class startup_update_t { none, notify, download };

// Nothing unless the offered version is dotted numbers, newer and (unless
// forced) not the ignored one, and the offer was not refused before; notify
// when its installer is already here and whole, or when the offer is refused
// (the dialog says why), otherwise download it first.
startup_update_t startup_update_step(const version_update_info_spt& info);

// Whether the user asked not to be reminded until later; a forced update is
// always due.
bool update_reminder_due(const version_update_info_t& info);

// Why the offer is refused before anything is downloaded: a version that is
// not dotted numbers, no signature, no size or one above the cap. Empty when
// it may be downloaded; a refusal is logged.
QString offer_refusal(const version_update_info_t& info);

// An installer file measured against its offer: whole when its SHA-256 is the
// offered one, and only then checked for the publisher's signature.
enum class installer_state_t { valid, damaged, bad_signature };
installer_state_t check_installer(const QString& path, const version_update_info_t& info);
// What the user reads about an offer whose signature does not verify.
QString bad_signature_text();

// A refused offer is remembered, so that it is not downloaded and refused
// again at every start; a new installer or signature is a new offer.
void remember_refused_offer(const version_update_info_t& info);
bool offer_refused_before(const version_update_info_t& info);

} // namespace quorvel
