#include "common/debug_trace.h"

#include <gtest/gtest.h>

#include "common/bounded_string.h"
#include "common/text_convert.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

TEST(DebugTraceTest, WritesTagMessageAndCrLf) {
  testing::TraceCapture trace;
  DebugTrace("QIF01:  ", "Copy %s => %s [%d]", "a", "b", 7);
  DebugTrace("PDF01:  ", "=>%ld xref [%lu]", 17L, 4096UL);
  ASSERT_EQ(trace.lines.size(), 2u);
  EXPECT_EQ(trace.lines[0], "QIF01:  Copy a => b [7]\r\n");
  EXPECT_EQ(trace.lines[1], "PDF01:  =>17 xref [4096]\r\n");
}

TEST(DebugTraceTest, LongLinesAreCutTo1024CharactersStillEndingInCrLf) {
  testing::TraceCapture trace;
  std::string big(5000, 'x');
  DebugTrace("QIF01:  ", "%s", big.c_str());
  DebugTraceW(u"INST01 : ", u"%s", std::u16string(3000, u'y').c_str());
  EXPECT_EQ(trace.lines[0].size(), kMaxTraceLine);
  EXPECT_EQ(trace.lines[0].substr(kMaxTraceLine - 2), "\r\n");
  EXPECT_EQ(trace.wide_lines[0].size(), kMaxTraceLine);
  EXPECT_EQ(trace.wide_lines[0].substr(kMaxTraceLine - 2), u"\r\n");
}

TEST(DebugTraceTest, WideFormFollowsTheWindowsWideConventions) {
  testing::TraceCapture trace;
  DebugTraceW(u"INST01 : ", u"%s %hs %d %u %04x %ld %c %5.2q %%", u"wide", "narrow", -3, 4u,
              0xAB, 123456L, int(u'Z'));
  ASSERT_EQ(trace.wide_lines.size(), 1u);
  EXPECT_EQ(Utf16ToAnsi(trace.wide_lines[0]),
            "INST01 : wide narrow -3 4 00ab 123456 Z %5.2q %\r\n");
}

TEST(DebugTraceTest, NothingIsWrittenWithoutASink) {
  TraceSink* old = SetTraceSink(nullptr);
  DebugTrace("X", "%s", "dropped");  // must not crash
  SetTraceSink(old);
}

TEST(BoundedStringTest, RefusesInsteadOfTruncating) {
  std::string dst = "keep";
  EXPECT_FALSE(CopyBounded(&dst, "12345", 4));
  EXPECT_EQ(dst, "keep");
  EXPECT_TRUE(CopyBounded(&dst, "1234", 4));
  EXPECT_FALSE(AppendBounded(&dst, "5", 4));
  EXPECT_EQ(dst, "1234");
  EXPECT_TRUE(AppendBounded(&dst, "5", 5));
  EXPECT_FALSE(FormatBounded(&dst, 5, "%s%04d", "Inv", 12));
  EXPECT_EQ(dst, "12345");
  EXPECT_TRUE(FormatBounded(&dst, 7, "%s%04d", "Inv", 12));
  EXPECT_EQ(dst, "Inv0012");
  EXPECT_EQ(UpToNul(std::string_view("ab\0cd", 5)), "ab");
  EXPECT_TRUE(StartsWithIgnoreCase("MICROSOFT WORD - x", "Microsoft Word - "));
  EXPECT_FALSE(StartsWithIgnoreCase("Micro", "Microsoft Word - "));
}

}  // namespace
}  // namespace qid
