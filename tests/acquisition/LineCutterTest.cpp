// Cutting the serial byte stream into lines, as the polling loop and kurim-cli decode do.
#include "acquisition/LineCutter.h"
#include <QByteArray>
#include <QList>
#include <gtest/gtest.h>

namespace {

struct Cut {
    QList<QByteArray> lines;
    int dropped = 0;
};

Cut CutAll(LineCutter& cutter, const QList<QByteArray>& chunks) {
    Cut out;
    for (const QByteArray& chunk : chunks)
        out.dropped +=
            cutter.Feed(chunk, [&](QByteArrayView line) { out.lines << line.toByteArray(); });
    return out;
}

TEST(LineCutter, CutsAtCarriageReturnAndDropsControlBytes) {
    struct Case {
        const char* name;
        QList<QByteArray> chunks;
        QList<QByteArray> lines;
    } cases[] = {
        {"CR LF", {"052G9.8;\r\n051G4.0;\r\n"}, {"052G9.8;", "051G4.0;"}},
        {"split over reads", {"05", "2G9", ".8;", "\r", "\n051G4.0;\r"}, {"052G9.8;", "051G4.0;"}},
        {"LF alone ends nothing", {"052G\n9.8;\r"}, {"052G9.8;"}},
        {"NUL, TAB, ESC dropped, 0xFF kept",
         {QByteArray("0\x00"
                     "52\tG\x1b"
                     "9\xff;\r",
                     11)},
         {"052G9\xff;"}},
        {"empty lines are lines", {"\r\r"}, {"", ""}},
        {"no CR yet", {"052G9.8;"}, {}},
    };
    for (const Case& c : cases) {
        LineCutter cutter;
        const Cut out = CutAll(cutter, c.chunks);
        EXPECT_EQ(out.lines, c.lines) << c.name;
        EXPECT_EQ(out.dropped, 0) << c.name;
    }
}

TEST(LineCutter, DropsRunsLongerThanTheLimitWhole) {
    LineCutter cutter;
    const QByteArray longest(LineCutter::MaxLineLength, 'A');
    Cut out = CutAll(cutter, {longest + "\r"});
    ASSERT_EQ(out.lines.size(), 1);
    EXPECT_EQ(out.lines[0], longest);

    // One more character: the whole run goes, including the part after the overflow, and the
    // next line comes through intact. Control bytes do not count towards the length.
    out = CutAll(cutter, {QByteArray(3000, 'B'), QByteArray(500, '\n'), QByteArray(1097, 'B'),
                          "tail\r052G9.8;\r"});
    EXPECT_EQ(out.lines, QList<QByteArray>{"052G9.8;"});
    EXPECT_EQ(out.dropped, 1);
    EXPECT_EQ(cutter.DroppedRuns(), 1);

    // A device that never sends CR: memory stays bounded, every overflow is counted once.
    cutter.Clear();
    const QByteArray megabyte(1 << 20, '7');
    out = CutAll(cutter, {megabyte});
    EXPECT_TRUE(out.lines.isEmpty());
    EXPECT_EQ(out.dropped, 1);
    EXPECT_TRUE(cutter.Discarding());
    EXPECT_TRUE(cutter.Pending().isEmpty());
    out = CutAll(cutter, {"\r051G4.0;\r"});
    EXPECT_EQ(out.lines, QList<QByteArray>{"051G4.0;"});
}

} // namespace
