// The batch language of the stand-in command processor, as much of it as the
// user guide's examples use: files (batch files, type, for /f) read by their
// byte-order mark (UTF-8, UTF-16 or UTF-32), else as UTF-8 when they are
// valid UTF-8, else in the ANSI code page; tokens outside quotes and
// brackets; a line run as "@" before a command, rem or ::, if [not] A==B,
// if [not] exist, for %v in (list), for /f ["delims=..."] %v in (file), a
// ( ... ) block (over several lines of a batch file), or a command with its
// output sent to a file by "> file" or ">> file"; and batch files.
#include "processor.h"

std::wstring Decode(const std::string& bytes) {
  static const struct { const char* mark; size_t size, width; bool big; } kMarks[] = {
      {"\xFF\xFE\0\0", 4, 4, false}, {"\0\0\xFE\xFF", 4, 4, true}, {"\xFF\xFE", 2, 2, false}, {"\xFE\xFF", 2, 2, true}};
  std::wstring text;
  for (const auto& m : kMarks) {
    if (bytes.compare(0, m.size, m.mark, m.size) != 0) continue;
    for (size_t i = m.size; i + m.width <= bytes.size(); i += m.width) {
      unsigned long c = 0;
      for (size_t k = 0; k < m.width; ++k)
        c |= (unsigned long)(unsigned char)bytes[i + k] << 8 * (m.big ? m.width - 1 - k : k);
      if (c > 0xFFFF && c <= 0x10FFFF) text += (wchar_t)(0xD7C0 + (c >> 10));
      text += (wchar_t)(c > 0x10FFFF ? 0xFFFD : c > 0xFFFF ? 0xDC00 | (c & 0x3FF) : c);
    }
    return text;
  }
  size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  const char* from = bytes.data() + skip;
  int size = (int)(bytes.size() - skip);
  UINT page = skip || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, from, size, nullptr, 0) ? CP_UTF8 : CP_ACP;
  text.resize(MultiByteToWideChar(page, 0, from, size, nullptr, 0));
  MultiByteToWideChar(page, 0, from, size, &text[0], (int)text.size());
  return text;
}

std::vector<std::wstring> SplitLines(const std::string& bytes) {
  std::wstring text = Decode(bytes);
  std::vector<std::wstring> lines;
  for (size_t start = 0; start < text.size();) {
    size_t nl = text.find(L'\n', start);
    std::wstring line = text.substr(start, nl == npos ? npos : nl - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
    if (nl == npos) break;
    start = nl + 1;
  }
  return lines;
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char chunk[65536];
  DWORD got;
  while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes->append(chunk, got);
  CloseHandle(h);
  return true;
}

// Position of what in s from from on, outside double quotes and square
// brackets (so inside no %@name[...] argument); npos when there is none.
static size_t FindOutside(const std::wstring& s, const std::wstring& what, size_t from = 0) {
  bool quoted = false;
  int depth = 0;
  for (size_t i = from; i < s.size(); ++i) {
    wchar_t c = s[i];
    if (!quoted && depth == 0 && s.compare(i, what.size(), what) == 0) return i;
    if (c == L'"')
      quoted = !quoted;
    else if (!quoted && c == L'[')
      ++depth;
    else if (!quoted && c == L']' && depth > 0)
      --depth;
  }
  return npos;
}

size_t SkipBlanks(const std::wstring& s, size_t i) {
  while (i < s.size() && iswspace(s[i])) ++i;
  return i;
}

std::wstring NextToken(const std::wstring& s, size_t i, size_t* next) {
  size_t end = s.size();
  for (const wchar_t* b = L" \t\r\n"; *b; ++b) {
    size_t at = FindOutside(s, std::wstring(1, *b), i);
    if (at < end) end = at;
  }
  *next = SkipBlanks(s, end);
  return s.substr(i, end - i);
}

std::wstring Unquote(const std::wstring& s) {
  return s.size() >= 2 && s.front() == L'"' && s.back() == L'"' ? s.substr(1, s.size() - 2) : s;
}

// Number of unclosed "(" in a line, outside quotes and brackets.
static int OpenParens(const std::wstring& s) {
  int open = 0;
  for (size_t i = FindOutside(s, L"("); i != npos; i = FindOutside(s, L"(", i + 1)) ++open;
  for (size_t i = FindOutside(s, L")"); i != npos; i = FindOutside(s, L")", i + 1)) --open;
  return open;
}

// if [not] exist FILE command, or if [not] A==B command (blanks around ==
// allowed; letters compared ignoring case). rest follows the word "if".
static RunResult RunIf(const std::wstring& rest) {
  size_t i = SkipBlanks(rest, 0), next;
  bool negate = false;
  if (Upper(NextToken(rest, i, &next)) == L"NOT") {
    negate = true;
    i = next;
  }
  bool truth;
  RunResult fail;
  if (Upper(NextToken(rest, i, &next)) == L"EXIST") {
    std::wstring name = NextToken(rest, next, &i), file;
    if (name.empty()) return HostFailure(L"if exist: no file name");
    if (!ExpandOrFail(name, &file, &fail)) return fail;
    file = Unquote(file);  // "" names no file
    truth = !file.empty() && GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
  } else {
    size_t eq = FindOutside(rest, L"==", i);
    if (eq == npos) return HostFailure(L"if: no == in \"" + Trim(rest) + L"\"");
    std::wstring left = Trim(rest.substr(i, eq - i));
    std::wstring right = NextToken(rest, SkipBlanks(rest, eq + 2), &i), a, b;
    if (!ExpandOrFail(left, &a, &fail) || !ExpandOrFail(right, &b, &fail)) return fail;
    truth = Upper(a) == Upper(b);
  }
  std::wstring command = Trim(rest.substr(i));
  if (command.empty()) return HostFailure(L"if: no command");
  return truth != negate ? RunLine(command) : RunResult();
}

// for %v in (list) do command, or for /f ["delims=..."] %v in (file) do
// command: the command runs once for each blank- or comma-separated item of
// the expanded list, or for each line of the file that is not empty (its
// first field, split at the delimiters: blanks and tabs unless given; the
// whole line with "delims="), with the variable v set to it. %%v is %v.
static RunResult RunFor(const std::wstring& rest) {
  size_t i = SkipBlanks(rest, 0), next;
  bool lines = false;
  std::wstring delims = L" \t";
  if (Upper(NextToken(rest, i, &next)) == L"/F") {
    lines = true;
    i = next;
    if (i < rest.size() && rest[i] == L'"') {
      std::wstring options = Unquote(NextToken(rest, i, &i));
      if (Upper(options.substr(0, 7)) != L"DELIMS=")
        return HostFailure(L"for /f: options other than \"delims=\" are not known here");
      delims = options.substr(7);
    }
  }
  std::wstring var = NextToken(rest, i, &i);
  std::wstring name = var.compare(0, 2, L"%%") == 0 ? var.substr(2) : var.compare(0, 1, L"%") == 0 ? var.substr(1) : L"";
  bool nameOk = !name.empty();
  for (wchar_t c : name) nameOk = nameOk && IsNameChar(c);
  if (!nameOk) return HostFailure(L"for: expected %name, not \"" + var + L"\"");
  if (Upper(NextToken(rest, i, &i)) != L"IN" || i >= rest.size() || rest[i] != L'(')
    return HostFailure(L"for: expected \"in (...)\"");
  size_t close = FindOutside(rest, L")", i + 1);
  if (close == npos) return HostFailure(L"for: no ) after the list");
  std::wstring listText = rest.substr(i + 1, close - i - 1);
  if (Upper(NextToken(rest, SkipBlanks(rest, close + 1), &i)) != L"DO")
    return HostFailure(L"for: expected \"do\" after the list");
  std::wstring body = Trim(rest.substr(i));
  if (body.empty()) return HostFailure(L"for: no command after do");
  for (size_t at = body.find(L"%%" + name); at != npos; at = body.find(L"%%" + name, at + 1)) {
    size_t after = at + 2 + name.size();
    if (after >= body.size() || !IsNameChar(body[after])) body.erase(at, 1);
  }
  std::wstring list;
  RunResult fail;
  if (!ExpandOrFail(listText, &list, &fail)) return fail;
  std::vector<std::wstring> values;
  if (lines) {
    std::string bytes;
    std::wstring file = Unquote(Trim(list));
    if (!ReadWholeFile(file, &bytes)) return HostFailure(L"for /f: cannot read " + file);
    for (const std::wstring& line : SplitLines(bytes)) {
      size_t a = line.find_first_not_of(delims);  // npos in an empty line, or one of delimiters only
      if (a != npos) values.push_back(line.substr(a, line.find_first_of(delims, a) - a));
    }
  } else {
    for (size_t at = list.find_first_not_of(L" \t,"); at != npos;) {
      size_t end = list.find_first_of(L" \t,", at);
      values.push_back(list.substr(at, end == npos ? npos : end - at));
      at = end == npos ? npos : list.find_first_not_of(L" \t,", end);
    }
  }
  std::wstring key = Upper(name);
  bool had = g_vars.count(key) != 0;
  std::wstring old = had ? g_vars[key] : L"";
  RunResult r;
  for (const std::wstring& value : values) {
    g_vars[key] = value;
    r = RunLine(body);
    if (r.exit || r.quit) break;
  }
  if (had)
    g_vars[key] = old;
  else
    g_vars.erase(key);
  return r;
}

RunResult RunLine(const std::wstring& raw) {
  if (raw.find(L'\n') == npos && raw.size() >= kLineSize)
    return HostFailure(TooLong(false));
  std::wstring line = Trim(raw);
  while (!line.empty() && line[0] == L'@') line = Trim(line.substr(1));
  if (line.empty() || line.compare(0, 2, L"::") == 0) return RunResult();
  std::wstring firstWord = Upper(line.substr(0, line.find_first_of(L" \t\r\n(")));
  if (firstWord == L"REM") return RunResult();
  if (firstWord == L"IF") return RunIf(line.substr(2));
  if (firstWord == L"FOR") return RunFor(line.substr(3));
  if (line[0] == L'(') {
    if (line.back() != L')' || OpenParens(line) != 0) return HostFailure(L"no ) to close the block");
    std::wstring inner = line.substr(1, line.size() - 2);
    RunResult r;
    for (size_t start = 0; start <= inner.size();) {
      size_t nl = inner.find(L'\n', start);
      r = RunLine(inner.substr(start, nl == npos ? npos : nl - start));
      if (r.exit || r.quit || nl == npos) break;
      start = nl + 1;
    }
    return r;
  }

  size_t gt = FindOutside(line, L">");
  size_t targetStart = npos;
  for (; gt != npos; gt = FindOutside(line, L">", targetStart)) {
    targetStart = gt + (line.compare(gt, 2, L">>") == 0 ? 2 : 1);
    if (!Trim(line.substr(targetStart)).empty()) break;
  }
  if (gt == npos) return RunCommand(line);
  bool append = targetStart == gt + 2;
  std::wstring target;
  RunResult result;
  if (!ExpandOrFail(Trim(line.substr(targetStart)), &target, &result)) return result;
  target = Unquote(target);
  HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return HostFailure(L"cannot write " + target);
  if (append) SetFilePointer(file, 0, nullptr, FILE_END);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, file);
  result = RunCommand(Trim(line.substr(0, gt)));
  SetStdHandle(STD_OUTPUT_HANDLE, out);
  CloseHandle(file);
  return result;
}

RunResult RunBatch(const std::wstring& path, const std::vector<std::wstring>& args) {
  std::string bytes;
  wchar_t full[MAX_PATH * 4];
  DWORD n = GetFullPathNameW(Unquote(path).c_str(), MAX_PATH * 4, full, nullptr);
  std::wstring fullPath = (n > 0 && n < MAX_PATH * 4) ? full : path;
  if (!ReadWholeFile(fullPath, &bytes)) return HostFailure(L"cannot read batch file " + path);
  std::map<std::wstring, std::wstring> outer = g_vars;
  std::vector<std::wstring> outerParams = g_params;
  bool outerEcho = g_echo;
  g_params = args;
  SetHostVariable(L"_batch", std::to_wstring(_wtoi(Lookup(L"_batch").c_str()) + 1));
  SetHostVariable(L"_batchname", fullPath);
  std::vector<std::wstring> lines = SplitLines(bytes);
  RunResult r;
  for (size_t i = 0; i < lines.size(); ++i) {
    SetHostVariable(L"_batchline", std::to_wstring(i + 1));
    std::wstring line = lines[i];  // one too long is reported as too long, and joins no other
    int open = line.size() < kLineSize ? OpenParens(line) : 0;
    for (; open > 0 && i + 1 < lines.size(); open = OpenParens(line)) line += L"\n" + lines[++i];
    r = RunLine(line);
    if (r.exit || r.quit) break;
  }
  r.quit = false;
  for (const wchar_t* name : {L"_BATCH", L"_BATCHNAME", L"_BATCHLINE"}) g_vars[name] = outer[name];
  g_params = outerParams;
  g_echo = outerEcho;
  return r;
}
