#include "settings/command.h"

#include "common/qstr.h"
#include "platform/os.h"
#include "platform/host.h"
#include "common/version.h"
#include "settings/settings.h"
#include "settings/tokenizer.h"

const qchar CommandHelpText[] =
    QT("Display or change email address parsing options.\n")
    QT("\n")
    QT("QUORVEL /2 /B: /C: /D /H: /I: /L: /M: /N: /P: /R /S /T: /Z  \r\n")
    QT("\n")
    QT("\t/2:\tallow all two-letter TLDs\n")
    QT("\t/B:\tstrip off angle Brackets\n")
    QT("\t/C:\tstricter list of allowed Characters\n")
    QT("\t/D\trestore original plugin Defaults\n")
    QT("\t/H:\tallow non-ASCII characters\n")
    QT("\t/I:\tallow dotted quad for domain\n")
    QT("\t/L:\tallow Localhost\n")
    QT("\t/M:\tlook up MX record for domain\n")
    QT("\t/N:\tallow Noreply address\n")
    QT("\t/P:\tallow Postmaster address\n")
    QT("\t/R\tRestore saved settings from the registry  \n")
    QT("\t/S\tSave current settings to the registry\n")
    QT("\t/T:\tcheck Top-level domain against list\n")
    QT("\t/Z\tquietly\n")
    QT("\n")
    QT("All options except /D /R and /S expect a Y or N to turn the  \n")
    QT("respective feature on or off.\n");

static_assert(QCOUNT(CommandHelpText) == 666, "the help text is 665 characters");

// What a switch does when a token matches it.
enum SwitchKind {
  SWITCH_HELP,          // exactly /?
  SWITCH_HELP_VERSION,  // exactly /??
  SWITCH_VALUE,         // /X followed by a value; sets the flag
  SWITCH_RESTORE,       // exactly /R
  SWITCH_DEFAULTS,      // exactly /D
  SWITCH_SAVE,          // exactly /S
  SWITCH_QUIET,         // exactly /Z
};

// The command's own switches, each with its place among all the switches in
// the order each token is tested against them (the first match decides);
// the flags' value switches have theirs in the flag table (settings.h).
struct OwnSwitch {
  int Place;
  SwitchKind Kind;
  const qchar* Name;  // the whole token
};
static constexpr OwnSwitch OwnSwitches[] = {
    {0, SWITCH_HELP, QT("/?")},      {1, SWITCH_HELP_VERSION, QT("/??")}, {6, SWITCH_DEFAULTS, QT("/D")},
    {15, SWITCH_RESTORE, QT("/R")}, {16, SWITCH_SAVE, QT("/S")},          {18, SWITCH_QUIET, QT("/Z")},
};

// The places the command's own switches take, as bits.
static constexpr uint32_t OwnPlaces(void) {
  uint32_t taken = 0;
  for (const OwnSwitch& s : OwnSwitches) taken |= 1u << s.Place;
  return taken;
}
static_assert(IsWholeOrder(&FlagRow::SwitchPlace, OwnPlaces()), "each switch has a place of its own");

// "Yes" for a nonzero flag, "No" for zero.
static const qchar* YesNo(int32_t flag) { return flag ? QT("Yes") : QT("No"); }

// The kind of the switch at place when token matches it (ignoring the case of
// ASCII letters: exactly, or a value switch on its first two characters), -1
// when it does not, -2 when no switch has that place; *flag receives a value
// switch's row.
static int SwitchMatches(int place, const qchar* token, const FlagRow** flag) {
  for (const OwnSwitch& s : OwnSwitches)
    if (s.Place == place) return QStrEqualNoCase(token, s.Name) ? s.Kind : -1;
  if (!(*flag = FlagAt(&FlagRow::SwitchPlace, place))) return -2;
  return token[0] == '/' && token[1] != 0 && QFoldUpperAscii(token[1]) == QFoldUpperAscii((*flag)->Switch)
             ? SWITCH_VALUE
             : -1;
}

// Writes the settings list (header, the flags' lines in their order, those
// listed while on only then, an empty line) to standard output.
static void ListSettings(void) {
  Printf(QT("%s v%u.%u.%u options:\r\n\r\n"), PLUGIN_NAME, (unsigned)PLUGIN_MAJOR,
         (unsigned)PLUGIN_MINOR, (unsigned)PLUGIN_BUILD);
  for (int p = 0; const FlagRow* f = FlagAt(&FlagRow::ListPlace, p); ++p) {
    const int32_t flag = PluginSettings.*f->Field;
    if (!f->ListedWhileOn || flag) Printf(f->ListLine, YesNo(flag));
  }
  CrLf();
}

// Writes the error prefix and then format (one "%s") with token to standard
// error. Returns 1, the command's exit code for a bad token.
static int ReportBadToken(const qchar* format, const qchar* token) {
  ReportErrorPrefix();
  Qprintf(OsStdErrorHandle(), format, token);
  return 1;
}

int QuorvelCommand(const qchar* line) {
  if (!line) return -1;

  int32_t pending[QCOUNT(FlagRows)];  // per flag: -1 not given, else 0 or 1
  for (int32_t& p : pending) p = -1;
  int restore = 0, defaults = 0, save = 0, quiet = 0;

  // An argument line too long for the token table has already been reported
  // by the tokenizer; it is a failure, and nothing is done.
  if (TokenizeArgs(line) < 0) return 1;

  for (int t = 0; t < ArgList.Count; ++t) {
    if (ArgList.Length[t] == 0) continue;
    const qchar* token = ArgList.Token[t];
    const FlagRow* flag = nullptr;
    int kind = -1;
    for (int s = 0; kind == -1; ++s) kind = SwitchMatches(s, token, &flag);
    if (kind < 0)
      return ReportBadToken(token[0] == '/' ? QT("Unknown option: \"%s\"\r\n")
                                            : QT("Syntax error: \"%s\"\r\n"),
                            token);
    switch (kind) {
      case SWITCH_HELP:
      case SWITCH_HELP_VERSION:
        QPuts(CommandHelpText);
        if (kind == SWITCH_HELP_VERSION)
          Printf(QT("\r\n\t\t\t\t%s  %u.%u.%u.%u (%s)\r\n"), PLUGIN_NAME, (unsigned)PLUGIN_MAJOR,
                 (unsigned)PLUGIN_MINOR, (unsigned)PLUGIN_BUILD, (unsigned)PLUGIN_REVISION,
                 PLUGIN_PLATFORM);
        return 0;
      case SWITCH_VALUE: {
        // The value follows the two switch characters, after a ':' or '='.
        const qchar* value = token + 2;
        if (*value == ':' || *value == '=') ++value;
        if (ParseYesNo(value, &pending[flag - FlagRows]) != 0)
          return ReportBadToken(QT("Expected Y or N: \"%s\"\r\n"), token);
        break;
      }
      case SWITCH_RESTORE: restore = 1; break;
      case SWITCH_DEFAULTS: defaults = 1; break;
      case SWITCH_SAVE: save = 1; break;
      case SWITCH_QUIET: quiet = 1; break;
    }
  }

  if (restore) {
    if (LoadSettings(OS_HKEY_CURRENT_USER) == 0 || LoadSettings(OS_HKEY_LOCAL_MACHINE) == 0)
      QPuts(QT("\r\nSettings restored from registry.\r\n"));
  } else if (defaults) {
    RestoreDefaults();
    QPuts(QT("\r\nDefault plugin settings restored.\r\n"));
  }

  for (size_t f = 0; f < QCOUNT(FlagRows); ++f)
    if (pending[f] != -1) PluginSettings.*FlagRows[f].Field = pending[f];

  if (!quiet) ListSettings();

  int result = 0;
  if (save) {
    if (SaveSettings() != 0)
      result = 2;
    else
      QPuts(QT("Settings saved to registry.\r\n"));
  }
  return result;
}

// 1 when text begins with "0x" or "0X" and a hexadecimal digit, else 0.
static int IsHexPrefix(const qchar* text) {
  return text[0] == '0' && QFoldUpperAscii(text[1]) == 'X' && QIsHexDigit(text[2]);
}

int ParseNumber(const qchar* text, uint32_t* out) {
  if (!text || !out) return -1;
  const qchar* digits = text;
  int base = 10;
  if (IsHexPrefix(text)) {
    // The standard conversion in base 16 takes a prefix of its own.
    digits = IsHexPrefix(text + 2) ? text + 4 : text + 2;
    base = 16;
  } else if (!QIsAsciiDigit(text[0])) {
    return -1;
  }
  const qchar* end = nullptr;
  int overflow = 0;
  uint32_t value = QStrToU32(digits, base, &end, &overflow);
  if (overflow || *end != 0) return -1;
  *out = value;
  return 0;
}

int ParseYesNo(const qchar* text, int32_t* out) {
  if (!text || !text[0] || !out) return -1;
  const unsigned first = QFoldUpperAscii(text[0]);
  if (first == 'Y' || first == 'N') {
    *out = first == 'Y';
    return 0;
  }
  uint32_t number = 0;
  if (ParseNumber(text, &number) != 0) return 1;
  *out = number != 0;
  return 0;
}
