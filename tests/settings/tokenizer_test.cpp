// The argument tokenizer, white-box: the token table after each line.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/tokenizer.h"
#include "support/plugin_fixture.h"

namespace {

// Tokenizes line and returns the tokens as the table holds them, after
// checking that each entry is terminated at its length and that the entries
// past Count are empty.
std::vector<std::wstring> Tokens(const std::wstring& line, int* result = nullptr) {
  int rc = TokenizeArgs(line.c_str());
  if (result) *result = rc;
  std::vector<std::wstring> tokens;
  for (int i = 0; i < ArgList.Count; ++i) {
    EXPECT_NE(ArgList.Token[i], nullptr);
    EXPECT_EQ(ArgList.Token[i][ArgList.Length[i]], L'\0') << "token " << i;
    EXPECT_GE(ArgList.Token[i], ArgList.Buffer);
    EXPECT_LT(ArgList.Token[i] + ArgList.Length[i], ArgList.Buffer + MAX_ARG_LEN);
    tokens.emplace_back(ArgList.Token[i], ArgList.Length[i]);
  }
  for (int i = ArgList.Count; i < MAX_ARGS; ++i) {
    EXPECT_EQ(ArgList.Token[i], nullptr) << "entry " << i;
    EXPECT_EQ(ArgList.Length[i], 0) << "entry " << i;
  }
  return tokens;
}

using List = std::vector<std::wstring>;

TEST(Tokenizer, NullLineLeavesTheTableAlone) {
  Tokens(L"/a /b");
  EXPECT_EQ(TokenizeArgs(nullptr), -1);
  EXPECT_EQ(ArgList.Count, 2);
  EXPECT_EQ(std::wstring(ArgList.Token[1]), L"/B");
}

TEST(Tokenizer, WhiteSpaceSeparatesAndIsTrimmed) {
  int rc = -2;
  EXPECT_EQ(Tokens(L"", &rc), List{});
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Tokens(L" \t \r\n\v\f", &rc), List{});
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Tokens(L"  /2:y  ", &rc), List{L"/2:Y"});
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(Tokens(L"one\ttwo"), (List{L"ONE", L"TWO"}));
  // Other white space of the wide classification separates too.
  EXPECT_EQ(Tokens(L"a\u3000b\u2003c"), (List{L"A", L"B", L"C"}));
}

TEST(Tokenizer, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(Tokens(L"/b:yes \u00e9t\u00e9 \u0101z"), (List{L"/B:YES", L"\u00e9T\u00e9", L"\u0101Z"}));
}

TEST(Tokenizer, SplitsSwitchesWrittenTogether) {
  EXPECT_EQ(Tokens(L"/B:Y/C:N"), (List{L"/B:Y", L"/C:N"}));
  EXPECT_EQ(Tokens(L"/d/s"), (List{L"/D", L"/S"}));
  EXPECT_EQ(Tokens(L"/A/B/C"), (List{L"/A", L"/B", L"/C"}));
  EXPECT_EQ(Tokens(L"/ab/"), (List{L"/AB", L"/"}));
  EXPECT_EQ(Tokens(L"/a:b//c"), (List{L"/A:B", L"//C"}));
  EXPECT_EQ(Tokens(L"/AB//C"), (List{L"/AB", L"//C"}));
  EXPECT_EQ(Tokens(L"/2:Y,/B:N"), (List{L"/2:Y,", L"/B:N"}));
  EXPECT_EQ(Tokens(L"/2=Y"), (List{L"/2=Y"}));
  // A token that does not begin with '/' is never split.
  EXPECT_EQ(Tokens(L"c:/dir/x"), (List{L"C:/DIR/X"}));
}

TEST(Tokenizer, UrlModeKeepsSlashes) {
  EXPECT_EQ(Tokens(L"/V:abc://d/e"), (List{L"/V:ABC://D/E"}));
  // URL mode ends with the token.
  EXPECT_EQ(Tokens(L"/V:abc://d/e /x/y"), (List{L"/V:ABC://D/E", L"/X", L"/Y"}));
  // The colon needs a letter before it and two slashes after it.
  EXPECT_EQ(Tokens(L"/V:1://d/e"), (List{L"/V:1:", L"//D", L"/E"}));
  EXPECT_EQ(Tokens(L"/V:a:/d/e"), (List{L"/V:A:", L"/D", L"/E"}));
  // A colon at the very end looks at nothing behind the terminator.
  EXPECT_EQ(Tokens(L"/a:"), (List{L"/A:"}));
}

TEST(Tokenizer, QuotesGroupAndVanish) {
  EXPECT_EQ(Tokens(L"\"/B:Y /C:N\""), (List{L"/B:Y /C:N"}));
  EXPECT_EQ(Tokens(L"a\"b c\"d"), (List{L"AB CD"}));
  EXPECT_EQ(Tokens(L"\"\""), List{});
  EXPECT_EQ(Tokens(L"\"/a/b\""), (List{L"/A/B"}));
  // A missing closing quote runs to the end of the line.
  EXPECT_EQ(Tokens(L"x \"y z"), (List{L"X", L"Y Z"}));
  int rc = -2;
  EXPECT_EQ(Tokens(L"\" \"", &rc), (List{L""}));
  EXPECT_EQ(rc, 1);
  // The leading space stays, the trailing one goes.
  EXPECT_EQ(Tokens(L"\" a b \" x"), (List{L" A B", L"X"}));
}

TEST(Tokenizer, LongestTokenFitsAndOneMoreOverflows) {
  int rc = -2;
  List tokens = Tokens(std::wstring(8191, L'a'), &rc);
  EXPECT_EQ(rc, 1);
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0], std::wstring(8191, L'A'));

  HostSetVariable(L"_batch", L"0");
  {
    OutputCapture capture;
    EXPECT_EQ(TokenizeArgs(std::wstring(8192, L'a').c_str()), -1);
    EXPECT_EQ(capture.Err(), L"Quorvel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");
    EXPECT_EQ(capture.Out(), L"");
  }
  EXPECT_EQ(ArgList.Count, 0);
  EXPECT_EQ(ArgList.Token[0], nullptr);
  HostSetVariable(L"_batch", nullptr);
}

TEST(Tokenizer, TerminatorsCountAsUsedPositions) {
  // A separator right after a token that fills the buffer writes nothing
  // past its end; the next character overflows at b = 8192.
  int rc = -2;
  EXPECT_EQ(Tokens(std::wstring(8191, L'x') + L" ", &rc).size(), 1u);
  EXPECT_EQ(rc, 1);

  HostSetVariable(L"_batch", L"0");
  OutputCapture capture;
  EXPECT_EQ(TokenizeArgs((std::wstring(8191, L'x') + L" y").c_str()), -1);
  // 1023 tokens of two characters use 3 positions each (3069), so a token
  // of 5122 characters fills the buffer although the characters alone
  // would leave room.
  std::wstring line;
  for (int i = 0; i < 1023; ++i) line += L"ab ";
  EXPECT_EQ(Tokens(line + std::wstring(5122, L'x'), &rc).size(), 1024u);
  EXPECT_EQ(rc, 1024);
  EXPECT_EQ(TokenizeArgs((line + std::wstring(5122, L'x') + L" y").c_str()), -1);
  EXPECT_EQ(capture.Err(), L"Quorvel plugin: Buffer overflow: b = 8192, MAX_ARG_LEN = 8192 \r\n"
                           L"Quorvel plugin: Buffer overflow: b = 8192, MAX_ARG_LEN = 8192 \r\n");
  HostSetVariable(L"_batch", nullptr);
}

TEST(Tokenizer, KeepsTheFirst1024Tokens) {
  std::wstring line;
  for (int i = 0; i < 1100; ++i) line += (i < 1024 ? L"a " : L"/b/c ");
  int rc = -2;
  List tokens = Tokens(line, &rc);
  EXPECT_EQ(rc, 1024);
  ASSERT_EQ(tokens.size(), 1024u);
  EXPECT_EQ(tokens[1023], L"A");
  // Exactly 1024 tokens, the last one ended by the terminator.
  line.clear();
  for (int i = 0; i < 1024; ++i) line += L" z";
  EXPECT_EQ(Tokens(line).size(), 1024u);
}

}  // namespace
