// The MX record rule of the validator.
#pragma once

#include "common/qchar.h"

// Asks DNS for the MX record of domain (a terminated text, never modified;
// brackets of a domain literal are kept and queried as they stand).
// The resolver's status decides before any record list it hands back.
// Returns 0 pass: an ordinary dotted quad, no network connection or no
// resolver (the system's DNS client or WinINet cannot be loaded), a resolver
// that failed without a verdict on the name (time-out, server failure,
// refusal, bad packet: the check is skipped), a success whose first answer
// record is not MX, or an acceptable exchange host. -1 no domain (null or
// empty); -2 the first answer record is an MX record that names "localhost"
// (any case of A-Z), a loopback, invalid or reserved dotted quad, each also
// with one trailing dot, or no host at all (missing, empty or ".": a null MX,
// the domain takes no mail); -3 the name does not exist or has no MX record
// (with or without a record list, such as the zone's SOA record), or the
// query succeeded with an empty answer section.
int GetMXRecord(const qchar* domain);
