// The shared helpers: the bounded text functions (cuts, terminators, the
// overflow flag) and the byte searches, whose sixteen-at-a-time paths must
// give what a plain search gives at every offset.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "common/bytescan.h"
#include "common/qstr.h"
#include "validate/fastscan.h"

namespace {

typedef std::basic_string<qchar> QString;
const qchar kSentinel = 0x7E7E;

// A buffer of cap units (filled with sentinels) followed by guard units.
struct Guarded {
  qchar Units[16];
  explicit Guarded(const qchar* start = nullptr) {
    for (qchar& u : Units) u = kSentinel;
    if (start)
      for (size_t i = 0; start[i]; ++i) Units[i] = start[i];
  }
};

TEST(QStr, CutsAndTerminatesWithinTheCapacity) {
  Guarded g;
  EXPECT_EQ(QStrCopy(g.Units, 4, QT("abcdef")), 3u);
  EXPECT_EQ(QString(g.Units), QT("abc"));
  EXPECT_EQ(g.Units[4], kSentinel);
  EXPECT_EQ(QStrCopy(g.Units, 4, nullptr), 0u);
  EXPECT_EQ(g.Units[0], 0);
  g.Units[0] = kSentinel;
  EXPECT_EQ(QStrCopy(g.Units, 0, QT("a")), 0u);  // no room, not even for the terminator
  EXPECT_EQ(g.Units[0], kSentinel);
  EXPECT_EQ(QStrCopy(g.Units, 1, QT("a")), 0u);
  EXPECT_EQ(g.Units[0], 0);

  Guarded len;  // units that need not end in a zero
  EXPECT_EQ(QStrCopyLen(len.Units, 4, QT("abcdef"), 6), 3u);
  EXPECT_EQ(QString(len.Units), QT("abc"));
  EXPECT_EQ(len.Units[4], kSentinel);
  EXPECT_EQ(QStrCopyLen(len.Units, 4, QT("abcdef"), 2), 2u);
  EXPECT_EQ(QString(len.Units), QT("ab"));
  EXPECT_EQ(QStrCopyLen(len.Units, 4, QT("abcdef"), 4), 3u);
  EXPECT_EQ(len.Units[4], kSentinel);
  EXPECT_EQ(QStrCopyLen(len.Units, 0, QT("ab"), 2), 0u);  // no room
  EXPECT_EQ(len.Units[0], (qchar)'a');

  Guarded ab(QT("ab"));
  ab.Units[2] = 0;
  EXPECT_EQ(QStrAppend(ab.Units, 5, QT("cdef")), 4u);
  EXPECT_EQ(QString(ab.Units), QT("abcd"));
  EXPECT_EQ(ab.Units[5], kSentinel);
  Guarded full(QT("abcd"));  // no terminator within the capacity
  EXPECT_EQ(QStrAppend(full.Units, 4, QT("x")), 3u);
  EXPECT_EQ(QString(full.Units), QT("abc"));
  EXPECT_EQ(full.Units[4], kSentinel);

  Guarded zeros(QT("wxyz"));
  QStrFillZero(zeros.Units, 6, QT("ab"));
  EXPECT_EQ(QString(zeros.Units, 7), QString(QT("ab\0\0\0\0"), 6) + kSentinel);
}

TEST(QStr, ComparesAndReadsNumbers) {
  EXPECT_EQ(QStrLen(nullptr), 0u);
  EXPECT_EQ(QStrEqual(nullptr, nullptr), 1);
  EXPECT_EQ(QStrEqual(QT("a"), nullptr), 0);
  EXPECT_EQ(QStrEqual(QT("ab"), QT("abc")), 0);
  EXPECT_EQ(QStrEqualNoCase(QT("CoM"), QT("cOm")), 1);
  EXPECT_EQ(QStrEqualNoCase(QT("\u00E9"), QT("\u00C9")), 0);  // A-Z only
  EXPECT_EQ(QStrEqualNoCase(QT("com"), QT("co")), 0);

  struct {
    const qchar* Text;
    int Base;
    uint32_t Value;
    size_t End;
    int Overflow;
  } cases[] = {
      {QT("4294967295."), 10, 0xFFFFFFFFu, 10, 0}, {QT("4294967296"), 10, 0xFFFFFFFFu, 10, 1},
      {QT("00000000000000000000012"), 10, 12, 23, 0}, {QT("fFz"), 16, 0xFF, 2, 0},
      {QT("19a"), 10, 19, 2, 0},                   {QT("x"), 10, 0, 0, 0},
      {QT("99999999999999999999"), 10, 0xFFFFFFFFu, 20, 1}, {QT("azAZ"), 36, 512315, 4, 0},
  };
  for (const auto& c : cases) {
    const qchar* end = nullptr;
    int overflow = -1;
    EXPECT_EQ(QStrToU32(c.Text, c.Base, &end, &overflow), c.Value) << c.End;
    EXPECT_EQ((size_t)(end - c.Text), c.End);
    EXPECT_EQ(overflow, c.Overflow) << c.End;
  }
}

// One byte that stops a search at each offset of a block, searched from every
// few starts: each finder gives the offset a plain search gives.
TEST(ByteScan, AgreesWithAPlainSearchAtEveryOffset) {
  const uint32_t size = 100;
  for (uint32_t at = 0; at < size; ++at) {
    for (uint32_t from = 0; from <= size; from += 3) {
      SCOPED_TRACE(testing::Message() << "at " << at << " from " << from);
      const uint32_t want = from <= at ? at : size;
      uint8_t d[size];
      memset(d, 'a', size);
      d[at] = 0;
      EXPECT_EQ(QFindZeroByte(d, from, size), want);
      EXPECT_EQ(QFindZeroOrHighByte(d, from, size), want);
      EXPECT_EQ(QFindZeroOrByteOf(d, from, size, 'q', 'r', 's', 't'), want);
      EXPECT_EQ(QFindHighByte(d, from, size), size);
      d[at] = 0x80;
      EXPECT_EQ(QFindHighByte(d, from, size), want);
      EXPECT_EQ(QFindZeroOrHighByte(d, from, size), want);
      d[at] = 't';
      EXPECT_EQ(QFindZeroOrByteOf(d, from, size, 'q', 'r', 's', 't'), want);
      EXPECT_EQ(QFindZeroByte(d, from, size), size);
      // A zero unit: found only on the units of from's parity.
      memset(d, 'a', size);
      d[at] = 0;
      if (at + 1 < size) d[at + 1] = 0;
      const bool whole = from <= at && (at - from) % 2 == 0 && at + 1 < size;
      EXPECT_EQ(QFindZeroUnit(d, from, size), whole ? at : size);
      // A pair of bytes two apart, the first in either case.
      memset(d, 'a', size);
      d[at] = 'C';
      if (at + 2 < size) d[at + 2] = 'm';
      EXPECT_EQ(QFindBytePair(d, from, size, 'c', 'm', 2), from <= at && at + 2 < size ? at : size);
    }
  }
  uint8_t d[4] = {0, 0, 0, 0};
  EXPECT_EQ(QFindZeroUnit(d, 3, 3), 3u);  // an empty range, or an inverted one, gives its end
  EXPECT_EQ(QFindZeroUnit(d, 4, 2), 2u);
  EXPECT_EQ(QFindZeroByte(d, 2, 2), 2u);
}

}  // namespace
