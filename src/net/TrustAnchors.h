#pragma once

#include <QByteArray>
#include <optional>

// Certificates are checked against the system's trust store. LUMORA_EXTRA_CA_FILE names a PEM file
// of further certificate authorities to trust as well (a private deployment's own, or one that a
// test makes): it adds anchors, it never takes any away nor turns a check off.
//
// The system's anchors and the added ones as one PEM text; empty when nothing is added (libcurl
// then uses the system's store as it is); none when the named file cannot be read or holds no
// certificate, as a deployment that meant to add one would otherwise fail in a way hard to tell.
std::optional<QByteArray> TrustAnchorsForTransfers();
