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
  SWITCH_VALUE,         // /X followed by a value; sets Field
  SWITCH_RESTORE,       // exactly /R
  SWITCH_DEFAULTS,      // exactly /D
  SWITCH_SAVE,          // exactly /S
  SWITCH_QUIET,         // exactly /Z
};

struct CommandSwitch {
  SwitchKind Kind;
  const qchar* Name;                      // exact switches: the whole token
  qchar Letter;                           // value switches: the character after '/'
  int32_t PluginSettingsRecord::*Field;   // value switches: the flag
};

// The command's own switches, each with its place among all the switches;
// the flags' switches have theirs in the flag table (settings.h).
struct PlacedSwitch {
  int Place;
  CommandSwitch Switch;
};
static constexpr PlacedSwitch OwnSwitches[] = {
    {0, {SWITCH_HELP, QT("/?"), 0, nullptr}},
    {1, {SWITCH_HELP_VERSION, QT("/??"), 0, nullptr}},
    {6, {SWITCH_DEFAULTS, QT("/D"), 0, nullptr}},
    {15, {SWITCH_RESTORE, QT("/R"), 0, nullptr}},
    {16, {SWITCH_SAVE, QT("/S"), 0, nullptr}},
    {18, {SWITCH_QUIET, QT("/Z"), 0, nullptr}},
};

// The value switch of a flag's row.
static constexpr CommandSwitch AsValueSwitch(const FlagRow& r) {
  return {SWITCH_VALUE, nullptr, r.Switch, r.Field};
}

#define SWITCH_COUNT ((int)(QCOUNT(OwnSwitches) + CountPlaced(&FlagRow::SwitchPlace)))

// Every switch at its place. Two switches at one place leave another place
// empty (neither Name nor Letter), which TablesAreWhole reports.
static constexpr std::array<CommandSwitch, SWITCH_COUNT> PlaceSwitches() {
  std::array<CommandSwitch, SWITCH_COUNT> all =
      InPlaceOrder<CommandSwitch, SWITCH_COUNT>(&FlagRow::SwitchPlace, AsValueSwitch);
  for (const PlacedSwitch& own : OwnSwitches) all[(size_t)own.Place] = own.Switch;
  return all;
}

// The switches in the order each token is tested against them; the first
// match decides.
static constexpr std::array<CommandSwitch, SWITCH_COUNT> Switches = PlaceSwitches();

// One line of the settings list: its format (one "%s" for Yes or No), its flag
// and when it is shown.
struct ListLine {
  const qchar* Format;
  int32_t PluginSettingsRecord::*Field;
  FlagListing Listing;
};

// The list line of a flag's row.
static constexpr ListLine AsListLine(const FlagRow& r) { return {r.ListLine, r.Field, r.Listing}; }

#define LIST_LINE_COUNT CountPlaced(&FlagRow::ListPlace)

// The list lines in the order of the settings list.
static constexpr std::array<ListLine, LIST_LINE_COUNT> ListLines =
    InPlaceOrder<ListLine, LIST_LINE_COUNT>(&FlagRow::ListPlace, AsListLine);

// 1 when the switch and list columns of the flag table agree with each other
// and every place of Switches and ListLines is taken, else 0.
static constexpr int TablesAreWhole(void) {
  for (const FlagRow& r : FlagRows) {
    if ((r.Switch != 0) != (r.SwitchPlace >= 0)) return 0;
    if ((r.Listing != LIST_NEVER) != (r.ListPlace >= 0) || (r.Listing != LIST_NEVER && !r.Switch))
      return 0;
  }
  for (const CommandSwitch& s : Switches)
    if (!s.Name && !s.Letter) return 0;
  for (const ListLine& l : ListLines)
    if (!l.Format) return 0;
  return 1;
}
static_assert(TablesAreWhole(), "each switch and list line has a place of its own");

// "Yes" for a nonzero flag, "No" for zero.
static const qchar* YesNo(int32_t flag) { return flag ? QT("Yes") : QT("No"); }

// 1 when token matches the switch s (exactly, or on its first two characters
// for a value switch), ignoring the case of ASCII letters; else 0.
static int SwitchMatches(const CommandSwitch* s, const qchar* token) {
  if (s->Kind != SWITCH_VALUE) return QStrEqualNoCase(token, s->Name);
  return token[0] == '/' && token[1] != 0 && QFoldUpperAscii(token[1]) == QFoldUpperAscii(s->Letter);
}

// Writes the settings list (header, the lines of ListLines that are shown, an
// empty line) to standard output.
static void ListSettings(void) {
  Printf(QT("%s v%u.%u.%u options:\r\n\r\n"), PLUGIN_NAME, (unsigned)PLUGIN_MAJOR,
         (unsigned)PLUGIN_MINOR, (unsigned)PLUGIN_BUILD);
  for (const ListLine& l : ListLines) {
    const int32_t flag = PluginSettings.*l.Field;
    if (l.Listing == LIST_ALWAYS || flag) Printf(l.Format, YesNo(flag));
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

  int32_t pending[SWITCH_COUNT];  // per value switch: -1 not given, else 0 or 1
  for (int s = 0; s < SWITCH_COUNT; ++s) pending[s] = -1;
  int restore = 0, defaults = 0, save = 0, quiet = 0;

  // An argument line too long for the token table has already been reported
  // by the tokenizer; it is a failure, and nothing is done.
  if (TokenizeArgs(line) < 0) return 1;

  for (int t = 0; t < ArgList.Count; ++t) {
    if (ArgList.Length[t] == 0) continue;
    const qchar* token = ArgList.Token[t];
    int s = 0;
    while (s < SWITCH_COUNT && !SwitchMatches(&Switches[s], token)) ++s;
    if (s == SWITCH_COUNT)
      return ReportBadToken(token[0] == '/' ? QT("Unknown option: \"%s\"\r\n")
                                            : QT("Syntax error: \"%s\"\r\n"),
                            token);
    switch (Switches[s].Kind) {
      case SWITCH_HELP:
      case SWITCH_HELP_VERSION:
        QPuts(CommandHelpText);
        if (Switches[s].Kind == SWITCH_HELP_VERSION)
          Printf(QT("\r\n\t\t\t\t%s  %u.%u.%u.%u (%s)\r\n"), PLUGIN_NAME, (unsigned)PLUGIN_MAJOR,
                 (unsigned)PLUGIN_MINOR, (unsigned)PLUGIN_BUILD, (unsigned)PLUGIN_REVISION,
                 PLUGIN_PLATFORM);
        return 0;
      case SWITCH_VALUE: {
        // The value follows the two switch characters, after a ':' or '='.
        const qchar* value = token + 2;
        if (*value == ':' || *value == '=') ++value;
        if (ParseYesNo(value, &pending[s]) != 0)
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

  for (int s = 0; s < SWITCH_COUNT; ++s)
    if (pending[s] != -1) PluginSettings.*Switches[s].Field = pending[s];

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
  if (text[0] != '0' || QFoldUpperAscii(text[1]) != 'X') return 0;
  const unsigned c = QFoldUpperAscii(text[2]);
  return QIsAsciiDigit(c) || (c >= 'A' && c <= 'F');
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
