#include "validate/validate.h"

#include "common/qstr.h"
#include "platform/host.h"
#include "settings/settings.h"
#include "validate/invisible.h"
#include "validate/mx.h"
#include "validate/tldfile.h"

const qchar* const BuiltInTLDs[8] = {QT("com"), QT("org"), QT("net"),  QT("edu"),
                                     QT("gov"), QT("mil"), QT("info"), QT("name")};

#define TRACE(...) \
  do { if (PluginSettings.DebugMode) Printf(__VA_ARGS__); } while (0)

int StripEnclosingPair(qchar* text, qchar first, qchar last) {
  if (!text) return -1;
  size_t n = QStrLen(text);
  if (n == 0 || text[0] != first || text[n - 1] != last) return 0;
  const size_t inner = n >= 2 ? n - 2 : 0;  // none when one character is both first and last
  for (size_t i = 0; i < inner; ++i) text[i] = text[i + 1];
  text[inner] = 0;
  return 1;
}

int AddEnclosingQuotes(qchar* text) {
  if (!text) return -1;
  size_t n = QStrLen(text);
  if (n >= MAX_PART_LEN - 3) return 0;  // 1021 units or more: no room
  for (size_t i = n + 1; i-- > 0;) text[i + 1] = text[i];
  text[0] = '"';
  text[n + 1] = '"';
  text[n + 2] = 0;
  return 1;
}

int IsInvisibleOrControl(uint32_t cp) {
  size_t lo = 0, hi = InvisibleRangeCount;  // the range sought, if any, is in [lo, hi)
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (cp < InvisibleRanges[mid][0]) hi = mid;
    else if (cp > InvisibleRanges[mid][1]) lo = mid + 1;
    else return 1;
  }
  return 0;
}

int IsBadLocalChar(uint32_t c) {
  if (QIsAsciiLetter(c) || QIsAsciiDigit(c)) return 0;
  if (c > 0x7F) return !PluginSettings.AllowNonAscii || IsInvisibleOrControl(c);
  const qchar* special = PluginSettings.StrictCharList ? QT("._-") : QT("!#$%&'*+-./=?^_`{|}~");
  for (; *special; ++special)
    if (*special == (qchar)c) return 0;
  return 1;
}

int CheckForDottedQuad(const qchar* text, int stripBrackets) {
  if (!text || !text[0]) return QUAD_NONE;
  // A quad begins with a digit, after the bracket when one is removed; any
  // other text is none, and without the trace needs no copy to tell.
  if (!PluginSettings.DebugMode && !QIsAsciiDigit(text[0]) && !(stripBrackets && text[0] == '[')) return QUAD_NONE;
  if (QStrLen(text) > MAX_PART_LEN - 1) return QUAD_NONE;
  qchar work[MAX_PART_LEN];
  QStrCopy(work, QCOUNT(work), text);
  if (stripBrackets) StripEnclosingPair(work, '[', ']');
  TRACE(QT("   * CheckForDottedQuad( '%s' )\r\n"), work);

  uint32_t n[4];
  const qchar* p = work;
  for (int k = 0; k < 4; ++k) {
    int overflow = 0;
    if (!QIsAsciiDigit(*p)) return QUAD_NONE;
    n[k] = QStrToU32(p, 10, &p, &overflow);
    if (overflow) return QUAD_NONE;
    if (k < 3) {
      if (p[0] != '.' || !QIsAsciiDigit(p[1])) return QUAD_NONE;
      ++p;
    } else if (*p) {
      return QUAD_NONE;
    }
  }
  TRACE(QT("   * Bytes are %u %u %u %u\r\n"), n[0], n[1], n[2], n[3]);

  if (n[0] > 255 || n[1] > 255 || n[2] > 255 || n[3] > 255) return QUAD_INVALID;
  if (n[0] == 255 && n[1] == 255 && n[2] == 255 && n[3] == 255) return QUAD_INVALID;
  if (n[0] == 0 && n[1] == 0 && n[2] == 0 && n[3] == 0) return QUAD_INVALID;
  if (n[0] >= 224 && n[0] <= 239) return QUAD_INVALID;
  if (n[0] == 127 && n[1] == 0 && n[2] == 0) return QUAD_LOOPBACK;
  return QUAD_ORDINARY;
}

int KnownTLD(const qchar* label) {
  if (!label || !label[0]) return 0;
  TRACE(QT("   * KnownTLD( '%s' )\r\n"), label);
  if (PluginSettings.TwoLetterTLDs && QStrLen(label) == 2 && QIsAsciiLetter(label[0]) && QIsAsciiLetter(label[1]))
    return 1;
  int inFile = FindTLDInFile(label);
  if (inFile >= 0) return inFile;
  for (const qchar* tld : BuiltInTLDs)
    if (QStrEqualNoCase(label, tld)) return 1;
  return 0;
}

// Position of the split '@' in address (length n) under the quote and escape
// rules, or -1 when the scan reaches the end.
static int FindSplitAt(const qchar* address, size_t n) {
  const int quotes = PluginSettings.AllowQuotedStrings, escapes = PluginSettings.AllowEscapedChars;
  if (!quotes && !escapes) {  // then the first '@' splits
    for (size_t i = 0; i < n; ++i)
      if (address[i] == '@') return (int)i;
    return -1;
  }
  int inQuotes = 0, escaped = 0;
  for (size_t i = 0; i < n; ++i) {
    qchar c = address[i];
    if (quotes && c == '"' && !escaped) inQuotes = !inQuotes;
    int split = !inQuotes && c == '@';
    if (escapes && c == '\\') {
      escaped = !escaped;
      continue;
    }
    escaped = 0;
    if (split) return (int)i;
  }
  return -1;
}

// 1 when the local part (length n > 0) begins with a double quote and the
// first double quote after that is its last character.
static int IsWhollyQuoted(const qchar* local, size_t n) {
  if (n < 2 || local[0] != '"') return 0;
  for (size_t i = 1; i < n; ++i)
    if (local[i] == '"') return i == n - 1;
  return 0;  // not reached: the split '@' stands outside quotes, so a second quote is there
}

// Walks the local part (length n) character by character; 0 or the code of
// the first breach.
static int WalkLocalPart(const qchar* local, size_t n, int wholly) {
  const int quotes = PluginSettings.AllowQuotedStrings, escapes = PluginSettings.AllowEscapedChars;
  const int extraInQuotes = quotes && !PluginSettings.StrictCharList;
  int quoteMode = wholly;
  for (size_t i = 0; i < n; ++i) {
    qchar c = local[i];
    if (QIsAsciiLetter(c) || QIsAsciiDigit(c)) continue;  // allowed everywhere, no rule of their own
    if (escapes && quoteMode && c == '\\') {
      if (i + 1 >= n || (local[i + 1] != '\\' && local[i + 1] != '"')) return QV_BAD_LOCAL_CHAR;
      ++i;
      continue;
    }
    if (quotes && c == '"') {
      quoteMode = !quoteMode;
      if (quoteMode && !(i == 0 || local[i - 1] == '.')) return QV_BAD_QUOTE;
      if (!quoteMode && !(i == n - 1 || local[i + 1] == '.')) return QV_BAD_QUOTE;
      continue;
    }
    if (extraInQuotes && quoteMode) {
      int extra = 0;
      for (const qchar* s = QT("(),:;<>@[]"); *s; ++s) extra |= (*s == c);
      if (extra) continue;
    }
    if (c == '.') {
      if (quoteMode && !wholly) return QV_BAD_DOT;
      if (i == n - 1 || local[i + 1] == '.') return QV_BAD_DOT;
    }
    uint32_t cp = c;  // a surrogate pair is judged as the one character it forms
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && local[i + 1] >= 0xDC00 && local[i + 1] <= 0xDFFF)
      cp = 0x10000 + ((uint32_t)(c - 0xD800) << 10) + (local[++i] - 0xDC00);
    if (IsBadLocalChar(cp)) return QV_BAD_LOCAL_CHAR;
  }
  return 0;
}

// The domain character rule for an ordinary name (not empty): 0 or 1053.
static int CheckDomainCharacters(const qchar* domain) {
  if (!QIsAlnum(domain[0])) return QV_BAD_DOMAIN_CHAR;
  size_t i = 0;
  for (; domain[i]; ++i) {
    qchar c = domain[i];
    if (c == '.') {
      if (i == 0 || !QIsAlnum(domain[i - 1]) || !QIsAlnum(domain[i + 1])) return QV_BAD_DOMAIN_CHAR;
    } else if (!QIsAlnum(c) && c != '-') {
      return QV_BAD_DOMAIN_CHAR;
    }
  }
  // The last character, like those beside a dot, is a letter or a digit.
  return QIsAlnum(domain[i - 1]) ? 0 : QV_BAD_DOMAIN_CHAR;
}

// The rules of the domain part, in their order. 0 or the code of the first
// breach.
static int CheckDomain(const qchar* domain) {
  if (domain[0] == '.') return QV_BAD_DOT;
  int lastDot = -1;
  for (int i = 0; domain[i]; ++i) {
    if (domain[i] != '.') continue;
    if (domain[i + 1] == 0 || domain[i + 1] == '.') return QV_BAD_DOT;
    lastDot = i;
  }
  int ordinaryName = 0;
  if (QStrEqualNoCase(domain, QT("localhost"))) {
    if (!PluginSettings.AllowLocalhost) return QV_LOCALHOST;
  } else {
    int quad = CheckForDottedQuad(domain, 1);
    if (quad != QUAD_NONE && !PluginSettings.AllowDottedQuadDomain) return QV_DOTTED_QUAD;
    if (quad == QUAD_LOOPBACK && !PluginSettings.AllowLocalhost) return QV_LOCALHOST;
    if (quad == QUAD_INVALID) return QV_BAD_DOTTED_QUAD;
    ordinaryName = quad == QUAD_NONE;
  }
  if (ordinaryName) {
    if (lastDot < 0) return QV_NO_DOMAIN_DOT;
    if (PluginSettings.CheckTopLevelDomain && !KnownTLD(domain + lastDot + 1)) return QV_UNKNOWN_TLD;
    if (PluginSettings.CheckDomainChars) {
      int rc = CheckDomainCharacters(domain);
      if (rc) return rc;
    }
  }
  if (PluginSettings.CheckMX && GetMXRecord(domain) != 0) return QV_NO_MX;
  return 0;
}

int ValidateAddress(const qchar* input, qchar* domainOut, qchar* localOut) {
  if (!input) return -1;
  // Only a text of at most 258 units can pass the length rule (256 within
  // angle brackets), so nothing longer is ever copied.
  size_t n = 0;
  while (n <= MAX_ADDRESS_LEN + 2 && input[n]) ++n;
  if (n == 0) return QV_EMPTY;
  if (n > MAX_ADDRESS_LEN + 2) return QV_TOO_LONG;

  qchar copy[MAX_PART_LEN], local[MAX_PART_LEN], domain[MAX_PART_LEN];
  n = QStrCopyLen(copy, QCOUNT(copy), input, n);
  if (PluginSettings.StripAngleBrackets && StripEnclosingPair(copy, '<', '>') == 1) n = QStrLen(copy);
  if (n > MAX_ADDRESS_LEN) return QV_TOO_LONG;
  TRACE(QT("   * Buffer     = '%s'\r\n"), copy);

  int at = FindSplitAt(copy, n);
  size_t localLen = at < 0 ? n : (size_t)at;
  if (localLen == 0) return QV_LOCAL_EMPTY;
  if (at < 0) return QV_NO_AT;
  QStrCopyLen(local, QCOUNT(local), copy, localLen);
  for (size_t i = (size_t)at + 1; i < n; ++i)
    if (copy[i] == '@') return QV_SECOND_AT;
  QStrCopyLen(domain, QCOUNT(domain), copy + at + 1, n - (size_t)at - 1);
  if (!domain[0]) return QV_DOMAIN_EMPTY;
  TRACE(QT("   * LocalPart  = '%s'\r\n"), local);
  TRACE(QT("   * DomainPart = '%s'\r\n"), domain);

  int wholly = 0;
  if (PluginSettings.AllowQuotedStrings && IsWhollyQuoted(local, localLen)) {
    StripEnclosingPair(local, '"', '"');
    wholly = 1;
    localLen -= 2;
  }
  if (local[0] == '.') return QV_BAD_DOT;
  if (localLen > 0) {
    int rc = WalkLocalPart(local, localLen, wholly);
    if (rc) return rc;
  }
  if ((!PluginSettings.AllowPostmaster && QStrEqualNoCase(local, QT("postmaster"))) ||
      (!PluginSettings.AllowNoReply && QStrEqualNoCase(local, QT("noreply"))))
    return QV_RESERVED_NAME;
  if (wholly) AddEnclosingQuotes(local);

  int rc = CheckDomain(domain);
  if (rc) return rc;

  if (localOut) QStrCopy(localOut, MAX_ADDRESS_LEN + 1, local);
  if (domainOut) QStrCopy(domainOut, MAX_ADDRESS_LEN + 1, domain);
  return 0;
}

// Writes value as signed decimal text into buffer (at least 12 units).
static void WriteDecimal(qchar* buffer, int value) {
  qchar digits[12];
  unsigned u = value < 0 ? 0u - (unsigned)value : (unsigned)value;
  int n = 0;
  do digits[n++] = (qchar)('0' + u % 10); while ((u /= 10) != 0);
  int k = 0;
  if (value < 0) buffer[k++] = '-';
  while (n > 0) buffer[k++] = digits[--n];
  buffer[k] = 0;
}

void FunctionQuorvel(qchar* buffer) { WriteDecimal(buffer, ValidateAddress(buffer, nullptr, nullptr)); }

void FunctionDomainPart(qchar* buffer) {
  if (ValidateAddress(buffer, buffer, nullptr) != 0) buffer[0] = 0;
}

void FunctionLocalPart(qchar* buffer) {
  if (ValidateAddress(buffer, nullptr, buffer) != 0) buffer[0] = 0;
}
