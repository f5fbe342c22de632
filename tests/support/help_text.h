// The command's help text as users see it, for comparing output with.
#pragma once

inline const wchar_t kHelp[] =
    L"Display or change email address parsing options.\n"
    L"\n"
    L"QUORVEL /2 /B: /C: /D /H: /I: /L: /M: /N: /P: /R /S /T: /Z  \r\n"
    L"\n"
    L"\t/2:\tallow all two-letter TLDs\n"
    L"\t/B:\tstrip off angle Brackets\n"
    L"\t/C:\tstricter list of allowed Characters\n"
    L"\t/D\trestore original plugin Defaults\n"
    L"\t/H:\tallow non-ASCII characters\n"
    L"\t/I:\tallow dotted quad for domain\n"
    L"\t/L:\tallow Localhost\n"
    L"\t/M:\tlook up MX record for domain\n"
    L"\t/N:\tallow Noreply address\n"
    L"\t/P:\tallow Postmaster address\n"
    L"\t/R\tRestore saved settings from the registry  \n"
    L"\t/S\tSave current settings to the registry\n"
    L"\t/T:\tcheck Top-level domain against list\n"
    L"\t/Z\tquietly\n"
    L"\n"
    L"All options except /D /R and /S expect a Y or N to turn the  \n"
    L"respective feature on or off.\n";
