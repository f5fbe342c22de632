// The platform's network connection test and DNS resolver, as the MX rule
// needs them. The Windows build implements them in os_dns_win.cpp (WinINet and
// the DNS client, loaded on first use); the native build links fakes instead.
#pragma once

#include "common/qchar.h"

// The record type of a mail exchange (MX) record.
#define OS_DNS_TYPE_MX 15u

// Resolver status values the MX rule tells apart from failures of the
// resolver itself (the values of the Windows DNS client).
#define OS_DNS_NAME_ERROR 9003L  // no such name
#define OS_DNS_NO_RECORDS 9501L  // the name exists but has no record of the type

// Makes the connection test and the resolver ready: the first call in the
// process loads the system's WinINet and DNS client by their full paths in
// the system folder (never from the host's folder or the search path) and
// finds their functions; a call that comes while another is loading waits
// for it. The libraries stay loaded for the life of the process. Returns null
// when ready, else a text that says what could not be had, at every later
// call too, without a new attempt; the calls below may be made only after
// null.
const qchar* OsNetLoad(void);

// 1 when the machine reports a network connection, else 0.
int OsNetConnected(void);

// Asks the resolver for the MX records of name (standard options, the
// system's own servers). Returns the record list, or null when no list came
// back; *status receives the resolver's status either way (0 success,
// OS_DNS_NAME_ERROR, OS_DNS_NO_RECORDS, a time-out or any other error value).
// A list may come back with any status: a negative answer can carry the
// zone's SOA record from the authority section. A list that came back must be
// released with OsDnsFreeList.
QHandle OsDnsQueryMX(const qchar* name, long* status);

// The record type of the first record of list's answer section; 0 when the
// section is empty or the list is null.
unsigned OsDnsAnswerType(QHandle list);

// The exchange host name of the first record of list's answer section when
// that record is an MX record; null when it is not, names no host, or the
// section is empty. The text belongs to the list.
const qchar* OsDnsAnswerMXHost(QHandle list);

// Releases a record list returned by OsDnsQueryMX; null is ignored.
void OsDnsFreeList(QHandle list);
