#include "zip/crypto/ppmd.h"

#include <gtest/gtest.h>

#include <string>

#include "ppm_encoder.h"
#include "testutil.h"

using namespace cryptotest;

namespace {

// Text with a vocabulary, so that high orders have something to predict.
std::vector<uint8_t> TextLike(size_t len, uint32_t seed)
{
    static const char* words[] = {"track ", "station ", "route ", "signal ", "curve ", "platform ",
                                  "Velkast ", "BVE ", "object\\", "1.00000,", "\r\n", "Track.Rail "};
    std::vector<uint8_t> out;
    out.reserve(len);
    while (out.size() < len) {
        seed = seed * 1103515245u + 12345u;
        const char* w = words[(seed >> 16) % 12];
        for (const char* p = w; *p && out.size() < len; ++p)
            out.push_back(uint8_t(*p));
        if ((seed >> 8) % 7 == 0)
            out.push_back(uint8_t('0' + (seed >> 20) % 10));
    }
    return out;
}

std::vector<uint8_t> Decode(const std::vector<uint8_t>& block, size_t capacity, uint32_t& count)
{
    // Guard bytes after the capacity catch any write past the buffer.
    std::vector<uint8_t> out(capacity + 64, 0xA5);
    count = PpmDecodeBuffer(block.data(), uint32_t(block.size()), out.data(), uint32_t(capacity));
    for (size_t i = capacity; i < out.size(); ++i)
        EXPECT_EQ(out[i], 0xA5) << "written past the output at " << i;
    out.resize(capacity);
    return out;
}

void RoundTrip(const std::vector<uint8_t>& data, uint32_t mem, int order)
{
    auto enc = PpmEncodeForTest(data, mem, order);
    ASSERT_TRUE(enc.Ok) << "order " << order << " mem " << mem;
    uint32_t count = 0;
    auto out = Decode(enc.Block, data.size(), count);
    ASSERT_EQ(count, data.size()) << "order " << order << " mem " << mem;
    EXPECT_TRUE(out == data) << "order " << order << " mem " << mem;
}

} // namespace

TEST(PpmRoundTrip, OrdersAndMemorySizes)
{
    const auto text = TextLike(150000, 1);
    const auto random = PseudoRandom(40000, 2);
    std::vector<uint8_t> zeros(70000, 0);
    std::vector<uint8_t> mixed = TextLike(30000, 3);
    auto r = PseudoRandom(30000, 4);
    mixed.insert(mixed.end(), r.begin(), r.end());
    mixed.insert(mixed.end(), zeros.begin(), zeros.begin() + 5000);
    for (int order : {1, 2, 3, 4, 6, 8, 12, 16})
        for (uint32_t mem : {1u, 8u}) {
            RoundTrip(text, mem, order);
            RoundTrip(random, mem, order);
            RoundTrip(zeros, mem, order);
            RoundTrip(mixed, mem, order);
        }
    RoundTrip({'a'}, 1, 4);
    RoundTrip({0, 0, 0}, 256, 16);
}

TEST(PpmRoundTrip, TextCompresses)
{
    const auto text = TextLike(100000, 7);
    auto enc = PpmEncodeForTest(text, 4, 6);
    ASSERT_TRUE(enc.Ok);
    EXPECT_LT(enc.Block.size(), text.size() / 4);
}

// Varied data at order 16 in 1 MiB runs the model out of memory several
// times; the decoder must restart at the same symbols.
TEST(PpmRoundTrip, ModelRestartWhenMemoryRunsOut)
{
    std::vector<uint8_t> data = TextLike(1500000, 11);
    auto noise = PseudoRandom(1500000, 12);
    for (size_t i = 0; i < data.size(); i += 3)
        data[i] = noise[i];
    auto enc = PpmEncodeForTest(data, 1, 16);
    ASSERT_TRUE(enc.Ok);
    EXPECT_GE(enc.Restarts, 2);
    uint32_t count = 0;
    auto out = Decode(enc.Block, data.size(), count);
    ASSERT_EQ(count, data.size());
    EXPECT_TRUE(out == data);
}

// Lower orders on noisy data exhaust the heap too.
TEST(PpmRoundTrip, RestartAtLowerOrders)
{
    auto noise = PseudoRandom(700000, 31);
    auto text = TextLike(700000, 32);
    for (size_t i = 0; i < noise.size(); i += 2)
        noise[i] = text[i];
    for (int order : {3, 8}) {
        auto enc = PpmEncodeForTest(noise, 1, order);
        ASSERT_TRUE(enc.Ok);
        EXPECT_GE(enc.Restarts, 1) << order;
        uint32_t count = 0;
        auto out = Decode(enc.Block, noise.size(), count);
        ASSERT_EQ(count, noise.size());
        EXPECT_TRUE(out == noise) << order;
    }
}

TEST(PpmDecode, HeaderChecks)
{
    auto enc = PpmEncodeForTest(TextLike(1000, 5), 2, 5);
    ASSERT_TRUE(enc.Ok);
    const uint32_t word = uint32_t(enc.Block[0]) | uint32_t(enc.Block[1]) << 8 | uint32_t(enc.Block[2]) << 16 |
                          uint32_t(enc.Block[3]) << 24;
    EXPECT_EQ(word, 0x6014u);
    EXPECT_EQ(PpmHeaderWord(256, 16), 0x6FFFu);
    // Variant H is refused.
    auto h = enc.Block;
    h[1] = 0x70;
    uint32_t count = 99;
    Decode(h, 1000, count);
    EXPECT_EQ(count, 0u);
    std::vector<uint8_t> shortBlock = {0x14, 0x60};
    EXPECT_EQ(PpmDecodeBuffer(shortBlock.data(), 2, nullptr, 0), 0u);
}

TEST(PpmDecode, CapacityIsExactAndNeverExceeded)
{
    auto data = TextLike(5000, 9);
    auto enc = PpmEncodeForTest(data, 1, 4);
    ASSERT_TRUE(enc.Ok);
    uint32_t count = 0;
    auto out = Decode(enc.Block, data.size(), count);
    EXPECT_EQ(count, 5000u);
    EXPECT_TRUE(out == data);
    // One byte less room than the data: failure, and nothing beyond.
    Decode(enc.Block, data.size() - 1, count);
    EXPECT_EQ(count, 0u);
    Decode(enc.Block, 0, count);
    EXPECT_EQ(count, 0u);
    // More room than needed is fine.
    Decode(enc.Block, data.size() + 100, count);
    EXPECT_EQ(count, 5000u);
}

TEST(PpmDecode, EmptyTruncatedAndDamagedInput)
{
    auto empty = PpmEncodeForTest({}, 1, 6);
    ASSERT_TRUE(empty.Ok);
    uint32_t count = 99;
    Decode(empty.Block, 100, count);
    EXPECT_EQ(count, 0u);

    auto data = TextLike(20000, 13);
    auto enc = PpmEncodeForTest(data, 1, 6);
    ASSERT_TRUE(enc.Ok);
    for (size_t cut : {size_t(4), size_t(5), enc.Block.size() / 2, enc.Block.size() - 1}) {
        std::vector<uint8_t> part(enc.Block.begin(), enc.Block.begin() + long(cut));
        Decode(part, data.size(), count);
        EXPECT_EQ(count, 0u) << "cut at " << cut;
    }
    // Damaged data: whatever comes out stays inside the buffer.
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        auto bad = enc.Block;
        auto noise = PseudoRandom(bad.size(), seed);
        for (size_t i = 8 + seed; i < bad.size(); i += 37)
            bad[i] ^= noise[i] | 1;
        Decode(bad, data.size(), count);
        EXPECT_LE(count, data.size());
    }
    // Pure noise after a valid header.
    auto noise = PseudoRandom(3000, 77);
    noise[0] = 0x35;
    noise[1] = 0x60;
    noise[2] = noise[3] = 0;
    Decode(noise, 4000, count);
    EXPECT_LE(count, 4000u);
}

TEST(PpmDecode, HeapIsReusedAcrossCalls)
{
    auto a = TextLike(8000, 21), b = PseudoRandom(8000, 22);
    auto ea = PpmEncodeForTest(a, 3, 8), eb = PpmEncodeForTest(b, 3, 3);
    ASSERT_TRUE(ea.Ok && eb.Ok);
    uint32_t count = 0;
    // A failed call keeps the heap; the next call of that size starts afresh.
    Decode(ea.Block, 10, count);
    EXPECT_EQ(count, 0u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(Decode(ea.Block, a.size(), count) == a);
        EXPECT_TRUE(Decode(eb.Block, b.size(), count) == b);
    }
}
