// The MX record rule of the validator.
#pragma once

#include "common/qchar.h"

// Asks DNS for the MX record of domain (a terminated text, never modified;
// brackets of a domain literal are kept and queried as they stand).
// Returns 0 pass (an ordinary dotted quad, no network connection, a first
// record that is not MX or names no host, or an acceptable exchange host);
// -1 no domain (null or empty); -2 the first MX record names "localhost" or a
// loopback, invalid or reserved dotted quad; -3 no record list came back.
int GetMXRecord(const qchar* domain);
