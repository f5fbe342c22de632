// The address rules through the real exports, with the options set the way a
// user sets them: saved in the registry and loaded when the plug-in starts.
#include <string>
#include <vector>

#include "support/both_builds.h"
#include "support/options.h"

namespace {

struct Case {
  const wchar_t* options;
  std::wstring address;
  const wchar_t* expected;
};

class ValidatorTest : public PluginTest {
 protected:
  // Saves the options, each given by the letter of its switch (a capital
  // turns it on, a small letter off), under the names of their registry
  // values, and restarts the plug-in so that it loads them.
  void UseOptions(const std::wstring& options) {
    ClearSavedSettings();
    for (wchar_t c : options) {
      bool on = !iswlower(c);
      bool found = false;
      for (const PinnedFlag& o : kFlags)
        if (o.Letter == towupper(c)) {
          WriteSavedDword(HKEY_CURRENT_USER, o.Name, on ? 1 : 0);
          found = true;
        }
      ASSERT_TRUE(found) << "no option " << static_cast<char>(c);
    }
    Reload();
  }

  void Check(const std::vector<Case>& cases) {
    std::wstring current = L"?";
    for (const Case& c : cases) {
      if (current != c.options) UseOptions(current = c.options);
      EXPECT_EQ(Quorvel(c.address), c.expected)
          << "address '" << std::string(c.address.begin(), c.address.end()) << "' options '"
          << std::string(current.begin(), current.end()) << "'";
    }
  }
};

TEST_F(ValidatorTest, LengthAndSplit) {
  std::wstring local64(64, L'a');
  std::wstring at256 = local64 + L"@" + std::wstring(187, L'b') + L".com";  // 256
  ASSERT_EQ(at256.size(), 256u);
  Check({
      {L"", L"", L"1024"},
      {L"", at256, L"0"},
      {L"", at256 + L"m", L"1025"},
      {L"", std::wstring(5000, L'x'), L"1025"},
      {L"", L"<" + at256 + L">", L"1025"},  // brackets kept and counted
      {L"B", L"<" + at256 + L">", L"0"},
      {L"B", L"<<" + at256 + L">>", L"1025"},  // one pair only
      {L"B", L"<>", L"1040"},
      {L"B", L"<john@example.com", L"1045"},
      {L"B", L"john@example.com>", L"1048"},  // a closing bracket alone stays
      {L"", L"@example.com", L"1040"},
      {L"", L"john.example.com", L"1042"},
      {L"", L"john@", L"1041"},
      {L"", L"john@@", L"1043"},
      {L"", L"john@exa@mple.com", L"1043"},
      {L"", L"john@example.com", L"0"},
  });
}

TEST_F(ValidatorTest, LocalPartCharactersAndDots) {
  Check({
      {L"", L"a!#$%&'*+-/=?^_`{|}~z@example.com", L"0"},
      {L"", L".john@example.com", L"1044"},
      {L"", L"john.@example.com", L"1044"},
      {L"", L"jo..hn@example.com", L"1044"},
      {L"", L"jo hn@example.com", L"1045"},
      {L"", L"jo\"hn@example.com", L"1045"},
      {L"", L"jo(hn@example.com", L"1045"},
      {L"", L"(@example.com", L"1045"},  // a local part of one character
      {L"", L"jo\\hn@example.com", L"1045"},
      {L"", L"j\u00f6rg@example.com", L"1045"},
      {L"H", L"j\u00f6rg@example.com", L"0"},
      {L"C", L"john+tag@example.com", L"1045"},
      {L"C", L"john_d-e.f@example.com", L"0"},
  });
}

// With /H, letters, marks and symbols of any script pass in the local part,
// but no control, format character, space, separator, noncharacter or lone
// surrogate does, quoted or not; a pair counts as the character it forms.
// The domain refuses them all, whatever the options.
TEST_F(ValidatorTest, NonAsciiIsNoInvisibleOrControlCharacter) {
  Check({
      {L"H", L"jo\u00A0hn@example.com", L"1045"},          // no-break space
      {L"QH", L"\"jo\u3000hn\"@example.com", L"1045"},   // ideographic space, quoted
      {L"H", L"jo\u0085hn@example.com", L"1045"},          // a C1 control
      {L"H", L"jo\u202Ehn@example.com", L"1045"},          // right-to-left override
      {L"QH", L"\"jo\u200Bhn\"@example.com", L"1045"},   // zero-width space, quoted
      {L"H", L"jo\uFFFFhn@example.com", L"1045"},          // a noncharacter
      {L"H", L"jo\xDB40\xDC41hn@example.com", L"1045"},   // the tag character U+E0041
      {L"H", L"jo\xD800" L"hn@example.com", L"1045"},      // a lone high surrogate
      {L"QH", L"\"jo\xDC00\"@example.com", L"1045"},     // a lone low surrogate, quoted
      {L"H", L"jo\xD83D\xDE00hn@example.com", L"0"},      // an emoji
      {L"H", L"\u043f\u0435\u0301\u0442\u044f@example.com", L"0"},  // Cyrillic with a combining accent
      {L"H", L"john@exa\u00A0mple.com", L"1053"},
  });
}

TEST_F(ValidatorTest, QuotedLocalParts) {
  Check({
      {L"Q", L"\"john@home\"@example.com", L"0"},
      {L"Q", L"\"\"@example.com", L"0"},
      {L"Q", L"\"john doe\"@example.com", L"1045"},
      {L"Q", L"\"jo..hn\"@example.com", L"1044"},
      {L"Q", L"\".john\"@example.com", L"1044"},
      {L"Q", L"\"(a),:;<>[]\"@example.com", L"0"},
      {L"QC", L"\"(a)\"@example.com", L"1045"},
      {L"Q", L"a.\"b\".c@example.com", L"0"},
      {L"Q", L"a\"b\"@example.com", L"1054"},
      {L"Q", L"\"b\"c@example.com", L"1054"},
      {L"Q", L"\"john@example.com", L"1042"},  // an open quote hides the @
      {L"Q", L"a.\"b.c\"@example.com", L"1044"},
      {L"Q", L"\"postmaster\"@example.com", L"1046"},
      {L"", L"\"john\"@example.com", L"1045"},
      {L"QE", L"\"a\\\\b\"@example.com", L"0"},
      {L"QE", L"\"a\\\"b\"@example.com", L"0"},
      {L"QE", L"\"a\\xb\"@example.com", L"1045"},
      {L"QE", L"a\\b@example.com", L"1045"},
      {L"QE", L"\"noreply\\\"\"@example.com", L"0"},  // not wholly quoted: never a reserved name
      {L"E", L"a\\@example.com", L"1045"},             // the @ after a backslash still splits
  });
}

TEST_F(ValidatorTest, ReservedNames) {
  Check({
      {L"", L"postmaster@example.com", L"1046"},
      {L"", L"PostMaster@example.com", L"1046"},
      {L"", L"NOREPLY@example.com", L"1046"},
      {L"", L"postmaster1@example.com", L"0"},
      {L"P", L"postmaster@example.com", L"0"},
      {L"P", L"noreply@example.com", L"1046"},
      {L"N", L"noreply@example.com", L"0"},
  });
}

TEST_F(ValidatorTest, DomainRules) {
  Check({
      {L"", L"john@.example.com", L"1044"},
      {L"", L"john@example.com.", L"1044"},
      {L"", L"john@example..com", L"1044"},
      {L"", L"john@localhost", L"1051"},
      {L"L", L"john@localhost", L"0"},
      {L"", L"john@LocalHost", L"1051"},  // domain names ignore the case of A-Z
      {L"L", L"john@LOCALHOST", L"0"},
      {L"", L"john@example", L"1047"},
      {L"", L"john@example.xyz", L"1048"},
      {L"", L"john@example.COM", L"0"},
      {L"", L"john@example.Info", L"0"},
      {L"t", L"john@example.xyz", L"0"},
      {L"", L"john@example.de", L"0"},
      {L"", L"john@example.c0", L"1048"},  // two characters, but a digit among them
      {L"", L"john@example.1d", L"1048"},
      {L"2", L"john@example.de", L"0"},
      {L"", L"john@ex_ample.com", L"1053"},
      {L"", L"john@-example.com", L"1053"},
      {L"", L"john@example-.com", L"1053"},
      {L"", L"john@sub.-example.com", L"1053"},
      {L"", L"john@example.c-", L"1048"},
      {L"t", L"john@example.com-", L"1053"},  // the last character, like those beside a dot
      {L"t", L"john@example.c-m", L"0"},
      {L"", L"john@b\u00fccher.com", L"0"},
      {L"", L"john@\u043f\u0440\u0438\u043c\u0435\u0440.com", L"0"},
      {L"", L"john@[example.com]", L"1048"},
  });
}

TEST_F(ValidatorTest, TwoLetterRuleOff) {
  ClearSavedSettings();
  WriteSavedDword(HKEY_CURRENT_USER, QT("TwoLetterTLDs"), 0);
  Reload();
  EXPECT_EQ(Quorvel(L"john@example.de"), L"1048");
  EXPECT_EQ(Quorvel(L"john@example.com"), L"0");
}

TEST_F(ValidatorTest, DottedQuads) {
  Check({
      {L"", L"john@1.2.3.4", L"1049"},
      {L"", L"john@[1.2.3.4]", L"1049"},
      {L"I", L"john@1.2.3.4", L"0"},
      {L"I", L"john@[1.2.3.4]", L"0"},
      {L"I", L"john@[127.0.0.1]", L"1051"},
      {L"IL", L"john@[127.0.0.1]", L"0"},
      {L"I", L"john@127.1.2.3", L"0"},
      {L"I", L"john@0.0.0.0", L"1050"},
      {L"I", L"john@255.255.255.255", L"1050"},
      {L"I", L"john@224.1.1.1", L"1050"},
      {L"I", L"john@1.2.3.256", L"1050"},
      {L"I", L"john@1.2.3.4294967296", L"1048"},  // too large for a number: not a quad
      {L"I", L"john@01.002.3.4", L"0"},
      {L"I", L"john@240.0.0.1", L"0"},
      {L"", L"john@1.2.3", L"1048"},
      {L"", L"john@1.2.3.4.5", L"1048"},
  });
}

TEST_F(ValidatorTest, PartsOfValidAndInvalidAddresses) {
  EXPECT_EQ(DomainPart(L"john@example.com"), L"example.com");
  EXPECT_EQ(LocalPart(L"john@example.com"), L"john");
  EXPECT_EQ(DomainPart(L"john@example.xyz"), L"");
  EXPECT_EQ(LocalPart(L"john@example.xyz"), L"");
  EXPECT_EQ(Quorvel(L"john@example.xyz"), L"1048");

  UseOptions(L"QBI");
  EXPECT_EQ(LocalPart(L"<\"a@b\"@[1.2.3.4]>"), L"\"a@b\"");
  EXPECT_EQ(DomainPart(L"<\"a@b\"@[1.2.3.4]>"), L"[1.2.3.4]");

  // The domain comes back as written, whatever case made it pass.
  UseOptions(L"L");
  EXPECT_EQ(DomainPart(L"john@LocalHost"), L"LocalHost");
  EXPECT_EQ(DomainPart(L"john@Example.COM"), L"Example.COM");
}

// The variable functions write no more than the result and its terminator,
// whatever the argument; a null buffer is refused.
TEST_F(ValidatorTest, BufferBounds) {
  std::vector<qchar> buffer(8192, '#');
  const QString arg = QT("john@example.com");
  arg.copy(buffer.data(), arg.size());
  buffer[arg.size()] = 0;
  ASSERT_EQ(plugin_.f_emaillpart(buffer.data()), 0);
  EXPECT_TRUE(QString(buffer.data()) == QT("john"));
  for (size_t i = arg.size() + 1; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], '#') << i;

  std::fill(buffer.begin(), buffer.end(), 'x');
  buffer[8191] = 0;  // 8191 characters: refused without being copied
  ASSERT_EQ(plugin_.f_quorvel(buffer.data()), 0);
  EXPECT_TRUE(QString(buffer.data()) == QT("1025"));

  EXPECT_EQ(plugin_.f_quorvel(nullptr), 87);
  EXPECT_EQ(plugin_.f_emaildpart(nullptr), 87);
  EXPECT_EQ(plugin_.f_emaillpart(nullptr), 87);
}

}  // namespace
