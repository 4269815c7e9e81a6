#include "zip/zabzip2.h"
#include "zip/zazlib.h"

#include "zatesthelp.h"

#include <bzlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <new>

// The largest block taken with operator new since the last reset: how far an
// output buffer grew.
static std::size_t LargestAllocation = 0;

void* operator new(std::size_t n)
{
    LargestAllocation = std::max(LargestAllocation, n);
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

std::string ZlibCompress(const std::string& data)
{
    uLongf len = compressBound(static_cast<uLong>(data.size()));
    std::string out(len, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &len, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 6);
    out.resize(len);
    return out;
}

std::string Bz2Compress(const std::string& data)
{
    unsigned len = static_cast<unsigned>(data.size() + data.size() / 100 + 600);
    std::string out(len, '\0');
    BZ2_bzBuffToBuffCompress(out.data(), &len, const_cast<char*>(data.data()), static_cast<unsigned>(data.size()), 9,
                             0, 0);
    out.resize(len);
    return out;
}

TEST(ZAZlibGlue, InflatesWithExactSmallOrNoEstimate)
{
    std::string data = zatest::SampleData(100000);
    std::string z = ZlibCompress(data);
    for (std::size_t estimate : {data.size(), std::size_t(10), std::size_t(0)}) {
        std::string out;
        EXPECT_TRUE(ZlibInflateBuffer(z.data(), z.size(), estimate, SIZE_MAX, out)) << estimate;
        EXPECT_EQ(out, data) << estimate;
    }
}

TEST(ZAZlibGlue, EmptyTruncatedOrCorruptGivesNothing)
{
    std::string data = zatest::SampleData(50000);
    std::string z = ZlibCompress(data);
    std::string out = "junk";
    EXPECT_FALSE(ZlibInflateBuffer(z.data(), 0, 0, SIZE_MAX, out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(ZlibInflateBuffer(z.data(), z.size() / 2, 0, SIZE_MAX, out));
    EXPECT_TRUE(out.empty());
    std::string bad = z;
    bad[bad.size() - 1] ^= 0x55; // Adler-32 trailer
    EXPECT_FALSE(ZlibInflateBuffer(bad.data(), bad.size(), data.size(), SIZE_MAX, out));
    EXPECT_TRUE(out.empty());
}

TEST(ZAZlibGlue, NegativeResultsRaiseError)
{
    EXPECT_EQ(ZlibCheckDeflate(1), 1);
    EXPECT_EQ(ZlibCheckInflate(0), 0);
    try {
        ZlibCheckDeflate(Z_STREAM_ERROR);
        FAIL();
    } catch (const ECompressionError& e) {
        EXPECT_STREQ(e.what(), "error");
    }
    try {
        ZlibCheckInflate(Z_DATA_ERROR);
        FAIL();
    } catch (const EDecompressionError& e) {
        EXPECT_STREQ(e.what(), "error");
    }
}

TEST(ZABZip2Glue, DecompressesWholeStreamWithAnyEstimate)
{
    std::string data = zatest::SampleData(300000);
    std::string b = Bz2Compress(data);
    for (std::size_t estimate : {data.size(), std::size_t(0)}) {
        std::string out;
        BZip2DecompressBuffer(b.data(), b.size(), estimate, SIZE_MAX, out);
        EXPECT_EQ(out, data);
    }
}

TEST(ZABZip2Glue, CorruptBlockRaisesDataError)
{
    std::string data = zatest::SampleData(20000);
    std::string b = Bz2Compress(data);
    b[b.size() / 2] ^= 0x5A;
    b[b.size() / 2 + 1] ^= 0x3C;
    std::string out;
    try {
        BZip2DecompressBuffer(b.data(), b.size(), data.size(), SIZE_MAX, out);
        FAIL() << "no exception";
    } catch (const EBZDecompressionError& e) {
        EXPECT_STREQ(e.what(), "error -4");
        EXPECT_TRUE(out.empty());
    }
}

// A few hundred bytes that stand for megabytes of zeros stop at the limit,
// with no more than the limit ever held, whatever the estimate.
TEST(ZACompressionGlue, OutputNeverPassesItsLimit)
{
    const std::string zeros(8u << 20, '\0');
    const std::string z = ZlibCompress(zeros), b = Bz2Compress(zeros);
    ASSERT_LT(b.size(), 1000u);
    for (std::size_t estimate : {std::size_t(0), std::size_t(4096), zeros.size()}) {
        std::string out;
        LargestAllocation = 0;
        EXPECT_FALSE(ZlibInflateBuffer(z.data(), z.size(), estimate, 4096, out)) << estimate;
        EXPECT_TRUE(out.empty());
        EXPECT_LE(LargestAllocation, 4097u) << estimate;
        LargestAllocation = 0;
        BZip2DecompressBuffer(b.data(), b.size(), estimate, 4096, out);
        EXPECT_TRUE(out.empty());
        EXPECT_LE(LargestAllocation, 4097u) << estimate;
    }
    // A stream of exactly the limit passes.
    std::string out;
    EXPECT_TRUE(ZlibInflateBuffer(z.data(), z.size(), 0, zeros.size(), out));
    EXPECT_EQ(out.size(), zeros.size());
    BZip2DecompressBuffer(b.data(), b.size(), 0, zeros.size(), out);
    EXPECT_EQ(out.size(), zeros.size());
}

TEST(ZABZip2Glue, InternalErrorHookRaisesCompressionError)
{
    try {
        bz_internal_error(1007);
        FAIL() << "no exception";
    } catch (const EBZip2Error& e) {
        EXPECT_STREQ(e.what(), "Compression Error 1007");
    }
}

TEST(ZABZip2Glue, TruncatedStreamEndsWithoutOutput)
{
    std::string data = zatest::SampleData(200000);
    std::string b = Bz2Compress(data);
    std::string out;
    // Cut short: the loop must end (no endless growth) and give nothing.
    BZip2DecompressBuffer(b.data(), b.size() - 10, 0, SIZE_MAX, out);
    EXPECT_TRUE(out.empty());
    BZip2DecompressBuffer(b.data(), 20, 0, SIZE_MAX, out);
    EXPECT_TRUE(out.empty());
}

} // namespace
