#include "settings/tokenizer.h"

#include <string.h>

#include "common/qstr.h"
#include "platform/os.h"
#include "platform/host.h"

ArgListRecord ArgList;

// Empties the table: every start null, every length 0, Count 0, and the
// first buffer position terminated.
static void ResetArgList(void) {
  memset(ArgList.Token, 0, sizeof ArgList.Token);  // null pointers are all zero bits here
  memset(ArgList.Length, 0, sizeof ArgList.Length);
  ArgList.Count = 0;
  ArgList.Buffer[0] = 0;
}

int TokenizeArgs(const qchar* line) {
  if (!line) return -1;
  ResetArgList();

  int pos = 0;      // next free position in Buffer (used positions so far)
  int index = 0;    // index of the token being built
  int length = 0;   // length of the token being built
  int inQuotes = 0;
  int urlMode = 0;

  for (int i = 0;; ++i) {
    const unsigned c = line[i];
    int endToken = 0;  // the current token ends before c is looked at further
    int store = 1;     // c is stored as an ordinary character

    if (c == '"') {
      inQuotes = !inQuotes;
      continue;
    }
    if (!inQuotes && QIsSpace(c)) {
      if (length == 0) continue;
      endToken = 1;
      store = 0;
    } else if (c == ':' && length > 0) {
      // length > 0 means i > 0. The two characters after the colon are read
      // only while the first of them is not the terminator.
      if (QIsAlpha(line[i - 1]) && line[i + 1] == '/' && line[i + 2] == '/') urlMode = 1;
    } else if (c == '/' && !inQuotes && !urlMode && length >= 2 &&
               ArgList.Token[index][0] == '/') {
      endToken = 1;  // a run-together switch; the '/' starts the next token
    } else if (c == 0) {
      if (length > 0) ++index;
      break;
    }

    if (endToken) {
      // Only a nonempty token can end here, so index < MAX_ARGS.
      ++index;
      ++pos;  // past the terminator of the token just ended
      length = 0;
      inQuotes = 0;
      urlMode = 0;
      if (pos < MAX_ARG_LEN) ArgList.Buffer[pos] = 0;
    }
    if (!store) continue;

    if (pos >= MAX_ARG_LEN - 1) {
      // Not even one more character and its terminator fit.
      ResetArgList();
      ReportErrorPrefix();
      Qprintf(OsStdErrorHandle(), QT("Buffer overflow: b = %d, MAX_ARG_LEN = %d \r\n"), pos,
              MAX_ARG_LEN);
      return -1;
    }
    if (index >= MAX_ARGS) continue;  // table full: dropped without a message
    if (length == 0) ArgList.Token[index] = &ArgList.Buffer[pos];
    ArgList.Buffer[pos++] = (qchar)QFoldUpperAscii(c);
    ArgList.Length[index] = ++length;
    ArgList.Buffer[pos] = 0;  // pos <= MAX_ARG_LEN - 1 here
  }

  for (int t = 0; t < index; ++t) {
    qchar* token = ArgList.Token[t];
    while (ArgList.Length[t] > 0 && QIsSpace(token[ArgList.Length[t] - 1]))
      token[--ArgList.Length[t]] = 0;
  }
  ArgList.Count = index;
  return index;
}
