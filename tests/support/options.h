// What the tests and the command's fuzz target pin about the options, written
// out once: each flag's name (also its registry value's), default and switch
// letter; the orders in which the plug-in loads, saves and lists them; the
// settings list's lines; and the command's help text. Written out here, never
// taken from src/settings, so that a wrong table there fails the tests.
#pragma once

#include <string>

#include "common/qchar.h"

typedef std::basic_string<qchar> QString;

// One flag, in the order in which the plug-in's record holds them.
struct PinnedFlag {
  const qchar* Name;
  int32_t Default;
  qchar Letter;  // of the switch that sets it, 0 for none
};
inline const PinnedFlag kFlags[] = {
    {QT("TwoLetterTLDs"), 1, '2'},         {QT("CheckTopLevelDomain"), 1, 'T'},
    {QT("CheckDomainChars"), 1, 0},        {QT("StripAngleBrackets"), 0, 'B'},
    {QT("StrictCharList"), 0, 'C'},        {QT("AllowEscapedChars"), 0, 'E'},
    {QT("AllowNonAscii"), 0, 'H'},         {QT("AllowDottedQuadDomain"), 0, 'I'},
    {QT("AllowLocalhost"), 0, 'L'},        {QT("CheckMX"), 0, 'M'},
    {QT("AllowNoReply"), 0, 'N'},          {QT("AllowPostmaster"), 0, 'P'},
    {QT("AllowQuotedStrings"), 0, 'Q'},    {QT("DebugMode"), 0, '$'}};
constexpr size_t kFlagCount = sizeof kFlags / sizeof kFlags[0];

// The saved values in the order in which they are read; they are written in
// kSaveOrder, whose first failure alone is reported.
inline const qchar* const kLoadOrder[] = {
    QT("TwoLetterTLDs"),   QT("StripAngleBrackets"),  QT("StrictCharList"),    QT("AllowDottedQuadDomain"),
    QT("AllowNonAscii"),   QT("AllowLocalhost"),      QT("CheckMX"),           QT("AllowNoReply"),
    QT("AllowPostmaster"), QT("CheckTopLevelDomain"), QT("AllowEscapedChars"), QT("AllowQuotedStrings")};
inline const qchar* const kSaveOrder[] = {
    QT("StripAngleBrackets"), QT("TwoLetterTLDs"),    QT("StrictCharList"),    QT("AllowDottedQuadDomain"),
    QT("AllowNonAscii"),      QT("AllowLocalhost"),   QT("CheckMX"),           QT("AllowNoReply"),
    QT("AllowPostmaster"), QT("CheckTopLevelDomain"), QT("AllowEscapedChars"), QT("AllowQuotedStrings")};
constexpr size_t kSavedCount = sizeof kLoadOrder / sizeof kLoadOrder[0];

// The lines of the settings list in their order: the flag and the line up to
// its value. The last is shown only while its flag is on.
inline const struct {
  const qchar* Name;
  const qchar* Line;
} kListLines[] = {
    {QT("TwoLetterTLDs"), QT("All two-letter TLDs     /2:")},
    {QT("StripAngleBrackets"), QT("Strip angle brackets    /B:")},
    {QT("StrictCharList"), QT("Use strict char list    /C:")},
    {QT("AllowNonAscii"), QT("Allow non-ASCII chars   /H:")},
    {QT("AllowDottedQuadDomain"), QT("Allow dotted quad       /I:")},
    {QT("AllowLocalhost"), QT("Allow localhost         /L:")},
    {QT("CheckMX"), QT("Check MX record         /M:")},
    {QT("AllowNoReply"), QT("Allow noreply           /N:")},
    {QT("AllowPostmaster"), QT("Allow postmaster        /P:")},
    {QT("CheckTopLevelDomain"), QT("Check top-level domain  /T:")},
    {QT("DebugMode"), QT("Debug mode              /$:")}};

// The place of the flag name in kFlags (the record's order), -1 for none.
inline int FlagIndex(const QString& name) {
  for (size_t i = 0; i < kFlagCount; ++i)
    if (name == kFlags[i].Name) return (int)i;
  return -1;
}

// The settings list as the command writes it for the flags (record's order).
inline QString SettingsList(const int32_t* flags) {
  QString list = QT("Quorvel v0.36.0 options:\r\n\r\n");
  for (const auto& l : kListLines) {
    const int32_t on = flags[FlagIndex(l.Name)];
    if (on || &l != &kListLines[sizeof kListLines / sizeof kListLines[0] - 1])
      list += QString(l.Line) + (on ? QT("Yes\r\n") : QT("No\r\n"));
  }
  return list + QT("\r\n");
}

// The command's help text.
inline const qchar kHelp[] =
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
