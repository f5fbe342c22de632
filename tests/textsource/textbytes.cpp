#include "textbytes.h"

const int kAllEncodings[8] = {EncAnsi,  EncUtf16Le, EncUtf16Be, EncUtf8,
                              EncEbcdic, EncUtf32Le, EncUtf32Be, EncRawBytes};

const char* EncodingName(int encoding) {
  switch (encoding) {
    case EncAnsi: return "ANSI 1252";
    case EncUtf16Le: return "UTF-16LE";
    case EncUtf16Be: return "UTF-16BE";
    case EncUtf8: return "UTF-8";
    case EncEbcdic: return "EBCDIC 1140";
    case EncUtf32Le: return "UTF-32LE";
    case EncUtf32Be: return "UTF-32BE";
    case EncRawBytes: return "raw bytes";
  }
  return "?";
}

// The byte of a single-byte table that maps to c, or -1.
static int FindByte(const uint16_t* table, int count, int offset, char32_t c) {
  for (int i = 0; i < count; ++i)
    if (table[i] == c && c != 0xFFFD) return i + offset;
  return -1;
}

bool EncodeText(const std::u32string& text, int encoding, Bytes* out) {
  out->clear();
  for (char32_t c : text) {
    switch (encoding) {
      case EncAnsi: {
        int b = c < 0x80 ? (int)c : FindByte(AnsiTables[0], 128, 0x80, c);
        if (b < 0) return false;
        out->push_back((uint8_t)b);
        break;
      }
      case EncEbcdic: {
        int b = FindByte(EbcdicTables[0], 256, 0, c);
        if (b < 0) return false;
        out->push_back((uint8_t)b);
        break;
      }
      case EncRawBytes:
        if (c > 0xFF) return false;
        out->push_back((uint8_t)c);
        break;
      case EncUtf8:
        if (c < 0x80) {
          out->push_back((uint8_t)c);
        } else if (c < 0x800) {
          out->push_back((uint8_t)(0xC0 | c >> 6));
          out->push_back((uint8_t)(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
          out->push_back((uint8_t)(0xE0 | c >> 12));
          out->push_back((uint8_t)(0x80 | (c >> 6 & 0x3F)));
          out->push_back((uint8_t)(0x80 | (c & 0x3F)));
        } else {
          out->push_back((uint8_t)(0xF0 | c >> 18));
          out->push_back((uint8_t)(0x80 | (c >> 12 & 0x3F)));
          out->push_back((uint8_t)(0x80 | (c >> 6 & 0x3F)));
          out->push_back((uint8_t)(0x80 | (c & 0x3F)));
        }
        break;
      case EncUtf16Le:
      case EncUtf16Be: {
        std::u16string units = U16(std::u32string(1, c));
        for (char16_t u : units) {
          uint8_t lo = (uint8_t)u, hi = (uint8_t)(u >> 8);
          if (encoding == EncUtf16Le) out->insert(out->end(), {lo, hi});
          else out->insert(out->end(), {hi, lo});
        }
        break;
      }
      case EncUtf32Le:
        out->insert(out->end(), {(uint8_t)c, (uint8_t)(c >> 8), (uint8_t)(c >> 16), (uint8_t)(c >> 24)});
        break;
      case EncUtf32Be:
        out->insert(out->end(), {(uint8_t)(c >> 24), (uint8_t)(c >> 16), (uint8_t)(c >> 8), (uint8_t)c});
        break;
      default:
        return false;
    }
  }
  return true;
}

TextSource RecordOver(const Bytes& bytes, int encoding) {
  TextSource s = {};
  s.Data = bytes.data();
  s.Size = (uint32_t)bytes.size();
  s.Encoding = encoding;
  s.Replacement = 0xFFFD;
  s.AnsiCodePage = 1252;
  s.EbcdicCodePage = 1140;
  s.FileHandle = (QHandle)(intptr_t)0x1234;
  s.MappingHandle = (QHandle)(intptr_t)0x5678;
  return s;
}

std::vector<std::u16string> ReadAllLines(TextSource* source, size_t limit) {
  std::vector<std::u16string> lines;
  static qchar line[TEXT_LINE_LEN];
  while (lines.size() < limit && ReadTextLine(source, line) == 0) {
    std::u16string l;
    for (size_t i = 0; line[i]; ++i) l.push_back((char16_t)line[i]);
    lines.push_back(l);
  }
  return lines;
}

std::u16string U16(const std::u32string& text) {
  std::u16string out;
  for (char32_t c : text) {
    if (c > 0xFFFF) {
      out.push_back((char16_t)(0xD800 | ((c - 0x10000) >> 10)));
      out.push_back((char16_t)(0xDC00 | (c & 0x3FF)));
    } else {
      out.push_back((char16_t)c);
    }
  }
  return out;
}
