// The coders: exact bytes of small cases, where clear and end codes fall,
// code widths, interlace order, the pixel check, the area guard and the
// string table's generations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "gif/bit_packer.h"
#include "gif/lzw_string_table.h"
#include "tests/gif/gif_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes coded(int width, int height, int depth, const Bytes& pixels, CoderMode mode)
{
    clGIFFile gif;
    EXPECT_EQ(code_picture(&gif, width, height, depth, pixels, mode), 0) << gif.error_text;
    return coded_bytes(gif);
}

TEST(BitPacker, GuardFiresWhenWholeBytesReachTheCapacity)
{
    uint8_t area[16] = {};
    BitPacker small(area, 3);
    EXPECT_TRUE(small.put(0xFF, 8));
    EXPECT_TRUE(small.put(0x7F, 15));   // 23 bits: two whole bytes
    EXPECT_FALSE(small.put(0, 1));      // the third byte completes: refused
    for (size_t capacity : {5u, 6u}) {  // twelve-bit codes over the flush
        BitPacker packer(area, capacity);
        int accepted = 0;
        while (packer.put(0xFFF, 12)) {
            ++accepted;
        }
        // Refused at 48 bits (6 bytes) with capacity 6, at 48 too with 5
        // (36 bits leave 4 whole bytes, below 5).
        EXPECT_EQ(accepted, 3) << "capacity " << capacity;
    }
}

// Takes a ring's bytes as the packer settles them, joined into one piece;
// after `limit` bytes it takes no more.
class CopyingDrain : public RingDrain {
public:
    CopyingDrain(const uint8_t* ring, size_t size, size_t limit = SIZE_MAX) : ring_(ring), size_(size), limit_(limit)
    {
    }
    size_t make_room(size_t, size_t settled) override
    {
        take(std::min(settled, limit_));
        return taken_ + size_;
    }
    void take(size_t end)
    {
        for (; taken_ < end; ++taken_) {
            out.push_back(ring_[taken_ % size_]);
        }
    }
    Bytes out;

private:
    const uint8_t* ring_;
    size_t size_;
    size_t limit_;
    size_t taken_ = 0;
};

// Runs of one width give the bytes, sub-block framing included, of the same
// codes put one at a time, and are refused exactly when one of those would
// be: runs of every width and length, from every bit position, across
// sub-block ends and up to the capacity. So do the runs in a ring of a few
// sub-blocks, taken away as the packer asks for room.
TEST(BitPacker, RunsPackAsOneCodeAtATime)
{
    std::mt19937 random(11);
    for (int trial = 0; trial < 3000; ++trial) {
        const size_t capacity = 1 + random() % 3000;
        std::vector<uint8_t> one(BitPacker::area_bytes(capacity)), runs(one.size());
        std::vector<uint8_t> ring(BitPacker::kFramedBlockBytes * (1 + random() % 4));
        CopyingDrain drain(ring.data(), ring.size());
        BitPacker by_code(one.data(), capacity);
        BitPacker by_run(runs.data(), capacity);
        BitPacker in_ring(ring.data(), capacity, ring.size(), &drain);
        bool accepted = true;
        for (int run = 0; run < 8 && accepted; ++run) {
            const int width = 1 + static_cast<int>(random() % 12);
            std::vector<uint16_t> codes(random() % 700);
            for (uint16_t& code : codes) {
                code = static_cast<uint16_t>(random() & ((1u << width) - 1));
            }
            for (uint16_t code : codes) {
                accepted = accepted && by_code.put(code, width);
            }
            ASSERT_EQ(by_run.put_run(codes.data(), codes.size(), width), accepted) << "trial " << trial;
            ASSERT_EQ(in_ring.put_run(codes.data(), codes.size(), width), accepted) << "trial " << trial;
        }
        if (accepted) {
            const size_t used = by_code.finish();
            ASSERT_EQ(by_run.finish(), used) << "trial " << trial;
            EXPECT_TRUE(std::equal(one.begin(), one.begin() + used, runs.begin())) << "trial " << trial;
            ASSERT_EQ(in_ring.finish(), used) << "trial " << trial;
            drain.take(used);
            EXPECT_TRUE(std::equal(one.begin(), one.begin() + used, drain.out.begin())) << "trial " << trial;
        }
    }
}

// A ring whose drain stops taking bytes stops the packer before anything
// not yet taken is overwritten.
TEST(BitPacker, RingStopsWhenItsDrainDoes)
{
    std::vector<uint8_t> ring(2 * BitPacker::kFramedBlockBytes);
    for (size_t limit : {size_t{0}, size_t{256}, size_t{1000}}) {
        CopyingDrain drain(ring.data(), ring.size(), limit);
        BitPacker packer(ring.data(), 100000, ring.size(), &drain);
        size_t codes = 0;
        while (codes < 5000 && packer.put(0xABC, 12)) {
            ++codes;
        }
        EXPECT_LE(codes * 12 / 8, limit + ring.size()) << "limit " << limit;
        EXPECT_EQ(drain.out.size(), limit);
    }
}

// A clear code forgets the two-pixel strings by starting a new generation
// of the table: when the generations' numbers come round again, as they do
// every few clear codes, none of the strings of the old one with the same
// number may come back.
TEST(LzwStringTable, TwoPixelStringsStayForgottenWhenTheGenerationsComeRound)
{
    LzwStringTable<8> table;
    ASSERT_TRUE(table.allocate());
    table.add_root(3, 5, 300);
    EXPECT_EQ(table.root(3, 5), 300u);
    for (int clears = 1; clears <= 100; ++clears) {
        table.reset();
        ASSERT_EQ(table.root(3, 5), lzw_table::kNoString) << "after " << clears << " clear codes";
    }
    table.add_root(3, 5, 302);
    EXPECT_EQ(table.root(3, 5), 302u);
}

TEST(Coders, WorkedExamples)
{
    EXPECT_EQ(coded(2, 2, 1, {0, 1, 1, 0}, LZW), (Bytes{0x44, 0x02, 0x05}));
    EXPECT_EQ(coded(2, 2, 1, {0, 1, 1, 0}, PLAIN), (Bytes{0x44, 0x18, 0x14}));
    EXPECT_EQ(coded(4, 1, 8, {0, 0, 0, 0}, LZW), (Bytes{0x00, 0x01, 0x08, 0x04, 0x10, 0x10}));
    EXPECT_EQ(coded(4, 1, 8, {0, 0, 0, 0}, PLAIN),
              (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x20, 0x20}));
    Bytes threes(6, 3);
    EXPECT_EQ(read_codes(coded(6, 1, 2, threes, PLAIN), 2),
              (std::vector<Code>{{4, 3}, {3, 3}, {3, 3}, {4, 3}, {3, 3}, {3, 3}, {4, 3}, {3, 3},
                                 {3, 3}, {5, 3}}));
    EXPECT_EQ(read_codes(coded(6, 1, 2, threes, PLAIN_BIGGEST), 2),
              (std::vector<Code>{{4, 3}, {3, 3}, {3, 3}, {3, 3}, {3, 4}, {3, 4}, {3, 4}, {5, 4}}));
}

TEST(Coders, BiggestModeMatchesLzwWhenNoPairRepeats)
{
    Bytes ramp(256);
    for (int i = 0; i < 256; ++i) {
        ramp[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    }
    EXPECT_EQ(coded(256, 1, 8, ramp, LZW), coded(256, 1, 8, ramp, PLAIN_BIGGEST));
}

TEST(Coders, ClearAndEndCodesAtTheTableEdges)
{
    // Biggest mode at depth 8 holds 3,838 pixel codes between clear codes.
    std::vector<Code> full = read_codes(coded(3838, 1, 8, noise(3838, 8, 1), PLAIN_BIGGEST), 8);
    ASSERT_GE(full.size(), 3u);
    EXPECT_EQ(full[full.size() - 2], (Code{256, 12}));
    EXPECT_EQ(full.back(), (Code{257, 9}));
    EXPECT_EQ(full.size(), 3841u);
    std::vector<Code> short_one = read_codes(coded(3837, 1, 8, noise(3837, 8, 1), PLAIN_BIGGEST), 8);
    EXPECT_EQ(short_one.back(), (Code{257, 12}));
    EXPECT_EQ(short_one.size(), 3839u);
    // Without biggest mode 254 pixel codes fit between clear codes, so 254
    // pixels end without a second clear code.
    std::vector<Code> plain = read_codes(coded(254, 1, 8, Bytes(254, 7), PLAIN), 8);
    ASSERT_EQ(plain.size(), 256u);
    EXPECT_EQ(plain[254], (Code{7, 9}));
    EXPECT_EQ(plain[255], (Code{257, 9}));
    std::vector<Code> more = read_codes(coded(255, 1, 8, Bytes(255, 7), PLAIN), 8);
    EXPECT_EQ(more[255], (Code{256, 9}));
}

TEST(Coders, LzwClearsExactlyWhenTheTableIsFull)
{
    for (int depth : {1, 4, 8}) {
        const int clear = 1 << (depth == 1 ? 2 : depth);
        Bytes data = coded(300, 200, depth, noise(60000, depth, 5), LZW);
        std::vector<Code> codes = read_codes(data, depth == 1 ? 2 : depth);
        ASSERT_EQ(codes.back().value, clear + 1) << "depth " << depth << ": the end code ends the data";
        int clears = 0;
        int since_clear = 0;
        for (size_t i = 1; i < codes.size(); ++i) {
            if (codes[i].value == clear) {
                ++clears;
                // The decoder has assigned codes up to 4094; the encoder's
                // 4095 is never sent because this clear code follows.
                EXPECT_EQ(clear + 1 + since_clear, 4095) << "depth " << depth << " code " << i;
                EXPECT_EQ(codes[i].width, 12);
                since_clear = 0;
            } else {
                ++since_clear;
            }
        }
        EXPECT_GE(clears, depth == 1 ? 1 : 2) << "depth " << depth;
    }
}

TEST(Coders, PlainCodesNeverWidenWithoutBiggestMode)
{
    for (int depth = 1; depth <= 8; ++depth) {
        const int b = depth == 1 ? 2 : depth;
        std::vector<Code> codes = read_codes(coded(100, 30, depth, noise(3000, depth, 9), PLAIN), b);
        int run = 0;
        for (const Code& code : codes) {
            ASSERT_EQ(code.width, b + 1) << "depth " << depth;
            run = code.value == (1 << b) ? 0 : run + 1;
            ASSERT_LE(run, (1 << b) - 1) << "depth " << depth;  // pixel codes + end code
        }
    }
}

TEST(SetGraphics, InterlaceRowOrders)
{
    const char* const orders[] = {"0", "01", "021", "0213", "04213", "042135", "0426135",
                                  "04261357"};
    for (int height = 1; height <= 8; ++height) {
        Bytes rows;
        for (int row = 0; row < height; ++row) {
            rows.insert(rows.end(), {static_cast<uint8_t>('0' + row), 0});
        }
        // Without compression every pixel is its own code, in coding order.
        clGIFFile gif;
        ASSERT_EQ(code_picture(&gif, 2, height, 8, rows, PLAIN, true), 0);
        std::string order;
        for (const Code& code : read_codes(coded_bytes(gif), 8)) {
            if (code.value != 0 && code.value < 256) {
                order += static_cast<char>(code.value);
            }
        }
        EXPECT_EQ(order, orders[height - 1]) << "height " << height;
    }
}

TEST(SetGraphics, PixelsMustFitTheDepth)
{
    clGIFFile one_bit;
    EXPECT_EQ(code_picture(&one_bit, 2, 1, 1, {1, 2}, LZW), 1);
    EXPECT_STREQ(one_bit.error_text, ":3F0004:00470:illegal data.[G]");
    EXPECT_EQ(g_stream, "") << "nothing written before the check";
    clGIFFile four_bit;
    EXPECT_EQ(code_picture(&four_bit, 1, 1, 4, {16}, PLAIN), 1);
    clGIFFile eight_bit;
    EXPECT_EQ(code_picture(&eight_bit, 1, 1, 8, {255}, PLAIN), 0);
}

TEST(SetGraphics, TinyPicturesCodeAtEveryDepth)
{
    for (int depth = 1; depth <= 8; ++depth) {
        for (CoderMode mode : {LZW, PLAIN, PLAIN_BIGGEST}) {
            for (int count : {1, 2}) {
                clGIFFile gif;
                EXPECT_EQ(code_picture(&gif, count, 1, depth, Bytes(2, 1), mode), 0)
                    << "depth " << depth << " mode " << mode << " pixels " << count << ": "
                    << gif.error_text;
            }
        }
    }
}

TEST(Coders, LzwReportsProgressOnlyWhenAsked)
{
    std::vector<int32_t> shown;
    g_progress_log = &shown;
    clGIFFile gif;
    EXPECT_EQ(code_picture(&gif, 100, 100, 8, noise(10000, 8, 3), LZW), 0);
    clGIFFile plain;
    EXPECT_EQ(code_picture(&plain, 100, 100, 8, noise(10000, 8, 3), PLAIN), 0);
    g_progress_log = nullptr;
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.back(), kGifProgressFinished);
    EXPECT_EQ(shown[shown.size() - 2], 100);
    int last = -1;
    for (size_t i = 0; i + 1 < shown.size(); ++i) {
        EXPECT_EQ(shown[i] % 2, 0) << i;
        EXPECT_GT(shown[i], last) << i;
        last = shown[i];
    }
}

}  // namespace
