// The MX record rule of the validator.
#pragma once

#include "common/qchar.h"

// Asks DNS for the MX record of domain (a terminated text, never modified;
// brackets of a domain literal are kept and queried as they stand).
// Returns 0 pass: an ordinary dotted quad, no network connection or no
// resolver (the system's DNS client or WinINet cannot be loaded), a resolver
// that failed without a verdict on the name (time-out, server failure,
// refusal, bad packet: the check is skipped), a first record that is not MX,
// or an acceptable exchange host. -1 no domain (null or empty); -2 the first
// MX record names "localhost" (any case of A-Z), a loopback, invalid or
// reserved dotted quad, or no host at all (missing, empty or ".": a null MX,
// the domain takes no mail); -3 the name does not exist, has no MX record, or
// the query succeeded without a record list.
int GetMXRecord(const qchar* domain);
