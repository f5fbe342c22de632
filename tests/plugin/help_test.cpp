// Help and usage through the real exports. With an X display, Help's message
// box is found by its caption, read and closed from a second thread.
#include <windows.h>

#include <string>
#include <vector>

#include "support/options.h"
#include "support/plugin_fixture.h"

namespace {

const wchar_t kCaption[] = L"Quorvel Plugin Help";
const wchar_t kQuorvelFunctionHelp[] =
    L"@QUORVEL[address] \r\n\nReturns 0 if address is a valid email address, nonzero  \nif it is not.\n";
const wchar_t kDomainPartHelp[] =
    L"@EMAILDPART[address] \r\n\nReturns the domain part of an email address, or an  \nempty string on any error.\n";
const wchar_t kLocalPartHelp[] =
    L"@EMAILLPART[address] \r\n\nReturns the local part of an email address, or an  \nempty string on any error.\n";

// True when message boxes can appear: Wine's desktop runs on the X11 driver.
// DISPLAY alone is not enough: a desktop started without it (by an earlier
// run whose wineserver is still alive) keeps the null driver, and
// MessageBoxW then returns at once.
bool HaveDisplay() {
  wchar_t value[256];
  if (GetEnvironmentVariableW(L"DISPLAY", value, 256) == 0) return false;
  HANDLE atom = GetPropW(GetDesktopWindow(), L"__wine_display_device_guid");
  wchar_t guid[64];
  if (!atom || !GlobalGetAtomNameW(static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(atom)), guid, 64))
    return true;  // not Wine's desktop
  std::wstring key = std::wstring(L"System\\CurrentControlSet\\Control\\Video\\{") + guid + L"}\\0000";
  wchar_t driver[64] = L"";
  DWORD size = sizeof driver;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"GraphicsDriver", RRF_RT_REG_SZ, nullptr, driver,
                   &size) != ERROR_SUCCESS)
    return false;
  return lstrcmpiW(driver, L"winex11.drv") == 0;
}

// What one Help call showed.
struct HelpShown {
  int Result = -1;         // Help's result; -1 when it did not return
  bool BoxFound = false;   // a window with the caption appeared
  std::wstring Text;       // the box's message
  HWND Owner = nullptr;    // the box's owner
  HWND Foreground = nullptr;  // the foreground window just before the call
};

struct HelpCall {
  int(WINAPI* Help)(LPWSTR);
  std::wstring Name;
  HelpShown* Shown;
};

// Runs Help on its own thread, with a window of that thread in the
// foreground so that the box has an owner to take. The window stays hidden:
// without a window manager, hiding a shown window costs Wine two seconds.
DWORD WINAPI HelpThread(void* param) {
  HelpCall* call = static_cast<HelpCall*>(param);
  HWND window = CreateWindowExW(0, L"STATIC", L"help test owner", WS_OVERLAPPEDWINDOW,
                                0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(window);
  call->Shown->Foreground = GetForegroundWindow();
  std::vector<wchar_t> name(call->Name.begin(), call->Name.end());
  name.push_back(L'\0');
  call->Shown->Result = call->Help(name.data());
  DestroyWindow(window);
  return 0;
}

// The message text of a message box: its static control with the longest
// text (the icon control has none).
BOOL CALLBACK CollectText(HWND child, LPARAM param) {
  std::wstring* text = reinterpret_cast<std::wstring*>(param);
  wchar_t cls[32];
  GetClassNameW(child, cls, 32);
  if (lstrcmpiW(cls, L"Static") != 0) return TRUE;
  int len = GetWindowTextLengthW(child);
  std::vector<wchar_t> buffer(len + 1);
  GetWindowTextW(child, buffer.data(), len + 1);
  if (len > static_cast<int>(text->size())) text->assign(buffer.data(), len);
  return TRUE;
}

class HelpTest : public PluginTest {
 protected:
  // Calls Help(name) while a second thread looks for its box for up to
  // ten seconds, reads it and closes it.
  HelpShown ShowHelp(const std::wstring& name) {
    HelpShown shown;
    HelpCall call{plugin_.Help, name, &shown};
    HANDLE thread = CreateThread(nullptr, 0, HelpThread, &call, 0, nullptr);
    EXPECT_NE(thread, nullptr);
    if (!thread) return shown;
    for (int waited = 0; waited < 10000; waited += 20) {
      HWND box = FindWindowW(nullptr, kCaption);
      if (box) {
        shown.BoxFound = true;
        EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&shown.Text));
        shown.Owner = GetWindow(box, GW_OWNER);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        break;
      }
      if (WaitForSingleObject(thread, 20) == WAIT_OBJECT_0) break;  // returned without a box
    }
    if (WaitForSingleObject(thread, 10000) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "Help did not return after its box was closed";
      TerminateThread(thread, 1);
    }
    CloseHandle(thread);
    return shown;
  }

  int CallUsage(const wchar_t* name, wchar_t* result) {
    std::vector<wchar_t> n;
    if (name) n.assign(name, name + wcslen(name) + 1);
    return plugin_.Usage(name ? n.data() : nullptr, result);
  }
};

TEST_F(HelpTest, OtherNamesShowNothing) {
  for (const wchar_t* name : {L"emaildpart", L"quorvel ", L"", L"@quorvelx", L"quorve"}) {
    HelpShown shown = ShowHelp(name);
    EXPECT_EQ(shown.Result, 0) << name;
    EXPECT_FALSE(shown.BoxFound) << name;
  }
  EXPECT_EQ(plugin_.Help(nullptr), 0);
}

TEST_F(HelpTest, ShowsTheTextOfEachName) {
  if (!HaveDisplay())
    GTEST_SKIP() << "no X display for Wine's desktop (run under xvfb-run -a, after the prefix's "
                    "wineserver from runs without DISPLAY has exited)";
  struct Case {
    const wchar_t* Name;
    const wchar_t* Text;
  };
  // Closing each box takes Wine about two seconds without a window manager,
  // so each text is shown once, under names in different cases.
  const Case cases[] = {
      {L"Quorvel", kHelp},
      {L"@quorvel", kQuorvelFunctionHelp},
      {L"@EMAILDPART", kDomainPartHelp},
      {L"@emaillpart", kLocalPartHelp},
  };
  for (const Case& c : cases) {
    HelpShown shown = ShowHelp(c.Name);
    ASSERT_TRUE(shown.BoxFound) << "no message box for " << testing::PrintToString(std::wstring(c.Name));
    EXPECT_EQ(shown.Result, 1);
    EXPECT_EQ(shown.Text, c.Text);
    EXPECT_NE(shown.Foreground, nullptr);
    EXPECT_EQ(shown.Owner, shown.Foreground);
  }
}

TEST_F(HelpTest, WithoutADisplayHelpStillReturnsOne) {
  if (HaveDisplay()) GTEST_SKIP() << "an X display is present; the box test covers Help";
  for (const wchar_t* name : {L"quorvel", L"@Quorvel", L"@emaildpart", L"@EMAILLPART"}) {
    std::vector<wchar_t> n(name, name + wcslen(name) + 1);
    EXPECT_EQ(plugin_.Help(n.data()), 1) << name;
  }
}

TEST_F(HelpTest, UsageCopiesTheTextFromTheSyntaxLineOn) {
  const std::wstring usage = std::wstring(kHelp).substr(std::wstring(kHelp).find(L"QUORVEL /2 /B: "));
  ASSERT_LT(usage.size(), 1024u);  // the result buffer's size
  for (const wchar_t* name : {L"quorvel", L"QUORVEL", L"qUoRvEl"}) {
    std::vector<wchar_t> result(1100, L'#');
    EXPECT_EQ(CallUsage(name, result.data()), 1) << name;
    EXPECT_EQ(std::wstring(result.data()), usage) << name;
    // Nothing is written past the terminator.
    for (size_t i = usage.size() + 1; i < result.size(); ++i) ASSERT_EQ(result[i], L'#') << "position " << i;
  }
}

TEST_F(HelpTest, UsageAnswersOnlyTheCommand) {
  for (const wchar_t* name : {L"@quorvel", L"@emaildpart", L"@emaillpart", L"quorvel ", L""}) {
    std::vector<wchar_t> result(1024, L'#');
    EXPECT_EQ(CallUsage(name, result.data()), 0) << name;
    EXPECT_EQ(result[0], L'#') << name;
  }
  wchar_t result[1024];
  EXPECT_EQ(CallUsage(nullptr, result), 0);
  EXPECT_EQ(CallUsage(L"quorvel", nullptr), 0);
}

}  // namespace
