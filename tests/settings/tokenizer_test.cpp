// The argument tokenizer, white-box: the token table after each line (each
// line in a block of its exact size); built for Windows and natively.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/command.h"
#include "settings/settings.h"
#include "settings/tokenizer.h"
#include "support/both_builds.h"

namespace {

// Tokenizes line and returns the tokens as the table holds them, after
// checking that each entry is terminated at its length and that the entries
// past Count are empty.
std::vector<QString> Tokens(const QString& line, int* result = nullptr) {
  int rc = TokenizeArgs(ExactText(line).get());
  if (result) *result = rc;
  std::vector<QString> tokens;
  for (int i = 0; i < ArgList.Count; ++i) {
    EXPECT_NE(ArgList.Token[i], nullptr);
    EXPECT_EQ(ArgList.Token[i][ArgList.Length[i]], '\0') << "token " << i;
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

using List = std::vector<QString>;

TEST(Tokenizer, NullLineLeavesTheTableAlone) {
  Tokens(QT("/a /b"));
  EXPECT_EQ(TokenizeArgs(nullptr), -1);
  EXPECT_EQ(ArgList.Count, 2);
  EXPECT_EQ(QString(ArgList.Token[1]), QT("/B"));
}

TEST(Tokenizer, WhiteSpaceSeparatesAndIsTrimmed) {
  int rc = -2;
  EXPECT_EQ(Tokens(QT(""), &rc), List{});
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Tokens(QT(" \t \r\n\v\f"), &rc), List{});
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Tokens(QT("  /2:y  "), &rc), List{QT("/2:Y")});
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(Tokens(QT("one\ttwo")), (List{QT("ONE"), QT("TWO")}));
  // Other white space of the wide classification separates too.
  EXPECT_EQ(Tokens(QT("a\u3000b\u2003c")), (List{QT("A"), QT("B"), QT("C")}));
}

TEST(Tokenizer, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(Tokens(QT("/b:yes \u00e9t\u00e9 \u0101z")), (List{QT("/B:YES"), QT("\u00e9T\u00e9"), QT("\u0101Z")}));
}

TEST(Tokenizer, SplitsSwitchesWrittenTogether) {
  EXPECT_EQ(Tokens(QT("/B:Y/C:N")), (List{QT("/B:Y"), QT("/C:N")}));
  EXPECT_EQ(Tokens(QT("/d/s")), (List{QT("/D"), QT("/S")}));
  EXPECT_EQ(Tokens(QT("/A/B/C")), (List{QT("/A"), QT("/B"), QT("/C")}));
  EXPECT_EQ(Tokens(QT("/ab/")), (List{QT("/AB"), QT("/")}));
  EXPECT_EQ(Tokens(QT("/a:b//c")), (List{QT("/A:B"), QT("//C")}));
  EXPECT_EQ(Tokens(QT("/AB//C")), (List{QT("/AB"), QT("//C")}));
  EXPECT_EQ(Tokens(QT("/2:Y,/B:N")), (List{QT("/2:Y,"), QT("/B:N")}));
  EXPECT_EQ(Tokens(QT("/2=Y")), (List{QT("/2=Y")}));
  // A token that does not begin with '/' is never split.
  EXPECT_EQ(Tokens(QT("c:/dir/x")), (List{QT("C:/DIR/X")}));
}

TEST(Tokenizer, UrlModeKeepsSlashes) {
  EXPECT_EQ(Tokens(QT("/V:abc://d/e")), (List{QT("/V:ABC://D/E")}));
  // URL mode ends with the token.
  EXPECT_EQ(Tokens(QT("/V:abc://d/e /x/y")), (List{QT("/V:ABC://D/E"), QT("/X"), QT("/Y")}));
  // The colon needs a letter before it and two slashes after it.
  EXPECT_EQ(Tokens(QT("/V:1://d/e")), (List{QT("/V:1:"), QT("//D"), QT("/E")}));
  EXPECT_EQ(Tokens(QT("/V:a:/d/e")), (List{QT("/V:A:"), QT("/D"), QT("/E")}));
  // A colon at the very end looks at nothing behind the terminator, a colon
  // first at nothing before the line.
  EXPECT_EQ(Tokens(QT(":y")), (List{QT(":Y")}));
  EXPECT_EQ(Tokens(QT("/a:")), (List{QT("/A:")}));
}

TEST(Tokenizer, QuotesGroupAndVanish) {
  EXPECT_EQ(Tokens(QT("\"/B:Y /C:N\"")), (List{QT("/B:Y /C:N")}));
  EXPECT_EQ(Tokens(QT("a\"b c\"d")), (List{QT("AB CD")}));
  EXPECT_EQ(Tokens(QT("\"\"")), List{});
  EXPECT_EQ(Tokens(QT("\"/a/b\"")), (List{QT("/A/B")}));
  // A missing closing quote runs to the end of the line.
  EXPECT_EQ(Tokens(QT("x \"y z")), (List{QT("X"), QT("Y Z")}));
  int rc = -2;
  EXPECT_EQ(Tokens(QT("\" \""), &rc), (List{QT("")}));
  EXPECT_EQ(rc, 1);
  // The leading space stays, the trailing one goes.
  EXPECT_EQ(Tokens(QT("\" a b \" x")), (List{QT(" A B"), QT("X")}));
}

TEST(Tokenizer, LongestTokenFitsAndOneMoreOverflows) {
  int rc = -2;
  List tokens = Tokens(QString(8191, 'a'), &rc);
  EXPECT_EQ(rc, 1);
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0], QString(8191, 'A'));
  EXPECT_EQ(ArgList.Token[0], ArgList.Buffer);

  SetHostVariable(QT("_batch"), QT("0"));
  {
    OutputCapture capture;
    EXPECT_EQ(TokenizeArgs(ExactText(QString(8192, 'a')).get()), -1);
    EXPECT_EQ(capture.Err(), QT("Quorvel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n"));
    EXPECT_EQ(capture.Out(), QT(""));
  }
  EXPECT_EQ(ArgList.Count, 0);
  EXPECT_EQ(ArgList.Token[0], nullptr);
  SetHostVariable(QT("_batch"), nullptr);
}

TEST(Tokenizer, TerminatorsCountAsUsedPositions) {
  // A separator right after a token that fills the buffer writes nothing
  // past its end; the next character overflows at b = 8192.
  int rc = -2;
  EXPECT_EQ(Tokens(QString(8191, 'x') + QT(" "), &rc).size(), 1u);
  EXPECT_EQ(rc, 1);

  SetHostVariable(QT("_batch"), QT("0"));
  OutputCapture capture;
  EXPECT_EQ(TokenizeArgs(ExactText(QString(8191, 'x') + QT(" y")).get()), -1);
  // 1023 tokens of two characters use 3 positions each (3069), so a token
  // of 5122 characters fills the buffer although the characters alone
  // would leave room.
  QString line;
  for (int i = 0; i < 1023; ++i) line += QT("ab ");
  EXPECT_EQ(Tokens(line + QString(5122, 'x'), &rc).size(), 1024u);
  EXPECT_EQ(rc, 1024);
  EXPECT_EQ(TokenizeArgs(ExactText(line + QString(5122, 'x') + QT(" y")).get()), -1);
  EXPECT_EQ(capture.Err(), QT("Quorvel plugin: Buffer overflow: b = 8192, MAX_ARG_LEN = 8192 \r\n")
                           QT("Quorvel plugin: Buffer overflow: b = 8192, MAX_ARG_LEN = 8192 \r\n"));
  SetHostVariable(QT("_batch"), nullptr);
}

TEST(Tokenizer, KeepsTheFirst1024Tokens) {
  QString line;
  for (int i = 0; i < 1100; ++i) line += (i < 1024 ? QT("a ") : QT("/b/c "));
  int rc = -2;
  List tokens = Tokens(line, &rc);
  EXPECT_EQ(rc, 1024);
  ASSERT_EQ(tokens.size(), 1024u);
  EXPECT_EQ(tokens[1023], QT("A"));
  // Exactly 1024 tokens, the last one ended by the terminator.
  line.clear();
  for (int i = 0; i < 1024; ++i) line += QT(" z");
  EXPECT_EQ(Tokens(line).size(), 1024u);
  // 1024 tokens of 7 units and their terminators use all 8192 units.
  line.clear();
  for (int i = 0; i < 1024; ++i) line += QT("abcdefg ");
  EXPECT_EQ(Tokens(line).size(), 1024u);
  EXPECT_EQ(ArgList.Token[1023], ArgList.Buffer + 8 * 1023);
}

// The command reads a full table to its last entry and no further: the
// entries past it alias the lengths and the buffer (a read there takes a
// length for a pointer), and the tokens the table dropped change nothing.
TEST(Tokenizer, TheCommandReadsAFullTableToItsEnd) {
  QString line;
  for (int i = 0; i < 1023; ++i) line += QT("/Z ");
  line += QT("/B:Y /C:Y");
  RestoreDefaults();
  OutputCapture capture;
  EXPECT_EQ(QuorvelCommand(ExactText(line).get()), 0);
  EXPECT_EQ(ArgList.Count, 1024);
  EXPECT_EQ(PluginSettings.StripAngleBrackets, 1);
  EXPECT_EQ(PluginSettings.StrictCharList, 0);
  EXPECT_EQ(capture.Out(), QT(""));
  RestoreDefaults();
}

}  // namespace
