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

// The command's own switches, each matched as a whole token, X(kind, name);
// a flag's value switch is SWITCH_VALUE. SwitchOrder (settings.h) gives their places.
#define OWN_SWITCHES(X) X(SWITCH_HELP, "/?") X(SWITCH_HELP_VERSION, "/??") X(SWITCH_DEFAULTS, "/D") \
  X(SWITCH_RESTORE, "/R") X(SWITCH_SAVE, "/S") X(SWITCH_QUIET, "/Z")
#define OWN_SWITCH_KIND(kind, name) kind,
#define OWN_SWITCH_NAME(kind, name) QT(name),
enum SwitchKind { OWN_SWITCHES(OWN_SWITCH_KIND) SWITCH_VALUE };                // what a matching switch does
static constexpr const qchar* OwnSwitches[] = {OWN_SWITCHES(OWN_SWITCH_NAME)};  // the names, by kind

// The flag whose value switch SwitchOrder's entry name is, else null.
static constexpr const FlagRow* FlagSwitchNamed(const qchar* name) {
  for (const FlagRow& f : FlagRows)
    if (f.Switch && name[0] == '/' && name[1] == f.Switch && name[2] == 0) return &f;
  return nullptr;
}

// True when SwitchOrder holds each own switch once and the flags' besides.
static constexpr bool IsWholeSwitchOrder(size_t flagSwitches = 0) {
  for (const qchar* own : OwnSwitches)
    if (SwitchTimes(own) != 1) return false;
  for (const FlagRow& f : FlagRows) flagSwitches += f.Switch != 0;
  return QCOUNT(SwitchOrder) == QCOUNT(OwnSwitches) + flagSwitches;
}
static_assert(IsWholeSwitchOrder(), "SwitchOrder: each of /? /?? /D /R /S /Z once, each flag's switch once, no other");

// "Yes" for a nonzero flag, "No" for zero.
static const qchar* YesNo(int32_t flag) { return flag ? QT("Yes") : QT("No"); }

// The kind of the switch name (an entry of SwitchOrder) when token matches it
// (ignoring the case of ASCII letters: an own switch exactly, a value switch
// on its first two characters), else -1; *flag receives a value switch's row.
static int SwitchMatches(const qchar* name, const qchar* token, const FlagRow** flag) {
  if ((*flag = FlagSwitchNamed(name)))
    return token[0] == '/' && token[1] != 0 && QFoldUpperAscii(token[1]) == QFoldUpperAscii((*flag)->Switch)
               ? SWITCH_VALUE
               : -1;
  if (!QStrEqualNoCase(token, name)) return -1;
  int kind = 0;
  while (!QStrEqualNoCase(name, OwnSwitches[kind])) ++kind;
  return kind;
}

// Writes the settings list (header, the flags' lines in their order, those
// listed while on only then, an empty line) to standard output.
static void ListSettings(void) {
  Printf(QT("%s v%u.%u.%u options:\r\n\r\n"), PLUGIN_NAME, (unsigned)PLUGIN_MAJOR,
         (unsigned)PLUGIN_MINOR, (unsigned)PLUGIN_BUILD);
  for (Flag::Index i : Flag::ListOrder) {
    const int32_t flag = PluginSettings.*FlagRows[i].Field;
    if (!FlagRows[i].ListedWhileOn || flag) Printf(FlagRows[i].ListLine, YesNo(flag));
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
    for (size_t s = 0; kind == -1 && s < QCOUNT(SwitchOrder); ++s)
      kind = SwitchMatches(SwitchOrder[s], token, &flag);
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
