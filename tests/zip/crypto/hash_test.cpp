#include "zip/crypto/hash.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "testutil.h"

using namespace cryptotest;

namespace {

std::string Digest(THash& h, const std::string& data)
{
    h.CalcBuffer(data.data(), int32_t(data.size()));
    return ToHex(h.DigestBytes(), size_t(h.DigestLength()));
}

template <class H>
std::string Digest(const std::string& data)
{
    H h;
    return Digest(h, data);
}

const std::string kMillionA(1000000, 'a');

} // namespace

TEST(HashVectors, MD4Rfc1320)
{
    EXPECT_EQ(Digest<THash_MD4>(""), "31d6cfe0d16ae931b73c59d7e0c089c0");
    EXPECT_EQ(Digest<THash_MD4>("a"), "bde52cb31de33e46245e05fbdbd6fb24");
    EXPECT_EQ(Digest<THash_MD4>("abc"), "a448017aaf21d8525fc10ae87aa6729d");
    EXPECT_EQ(Digest<THash_MD4>("message digest"), "d9130a8164549fe818874806e1c7014b");
    EXPECT_EQ(Digest<THash_MD4>("abcdefghijklmnopqrstuvwxyz"), "d79e1c308aa5bbcdeea8ed63df412da9");
    EXPECT_EQ(Digest<THash_MD4>("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "043f8582f241db351ce627e153e7f0e4");
    EXPECT_EQ(Digest<THash_MD4>("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "e33b4ddc9c38f2199c3e7b164fcc0536");
}

TEST(HashVectors, RipeMD128Published)
{
    EXPECT_EQ(Digest<THash_RipeMD128>(""), "cdf26213a150dc3ecb610f18f6b38b46");
    EXPECT_EQ(Digest<THash_RipeMD128>("a"), "86be7afa339d0fc7cfc785e72f578d33");
    EXPECT_EQ(Digest<THash_RipeMD128>("abc"), "c14a12199c66e4ba84636b0f69144c77");
    EXPECT_EQ(Digest<THash_RipeMD128>("message digest"), "9e327b3d6e523062afc1132d7df9d1b8");
    EXPECT_EQ(Digest<THash_RipeMD128>("abcdefghijklmnopqrstuvwxyz"), "fd2aa607f71dc8f510714922b371834e");
    EXPECT_EQ(Digest<THash_RipeMD128>(kMillionA), "4a7f5723f954eba1216c9d8f6320431f");
}

TEST(HashVectors, RipeMD256Published)
{
    EXPECT_EQ(Digest<THash_RipeMD256>(""), "02ba4c4e5f8ecd1877fc52d64d30e37a2d9774fb1e5d026380ae0168e3c5522d");
    EXPECT_EQ(Digest<THash_RipeMD256>("a"), "f9333e45d857f5d90a91bab70a1eba0cfb1be4b0783c9acfcd883a9134692925");
    EXPECT_EQ(Digest<THash_RipeMD256>("abc"), "afbd6e228b9d8cbbcef5ca2d03e6dba10ac0bc7dcbe4680e1e42d2e975459b65");
    EXPECT_EQ(Digest<THash_RipeMD256>("message digest"),
              "87e971759a1ce47a514d5c914c392c9018c7c46bc14465554afcdf54a5070c0e");
    EXPECT_EQ(Digest<THash_RipeMD256>(kMillionA),
              "ac953744e10e31514c150d4d8d7b677342e33399788296e43ae4850ce4f97978");
}

TEST(HashFeeding, SplitFeedsAndNegativeLengths)
{
    THash_RipeMD256 one, split;
    one.CalcBuffer("abc", 3);
    split.Start();
    split.Feed("a", 1);
    split.Feed("b", 1);
    split.Feed("xyz", -5);
    split.Feed("c", 1);
    split.Finish();
    EXPECT_EQ(ToHex(one.DigestBytes(), 32), ToHex(split.DigestBytes(), 32));

    // Pieces that straddle block boundaries in every way.
    auto data = PseudoRandom(1000, 5);
    THash_MD4 whole, pieces;
    whole.CalcBuffer(data.data(), 1000);
    pieces.Start();
    size_t pos = 0;
    for (size_t step = 1; pos < data.size(); step = step * 3 % 97 + 1) {
        size_t n = std::min(step, data.size() - pos);
        pieces.Feed(data.data() + pos, int32_t(n));
        pos += n;
    }
    pieces.Finish();
    EXPECT_EQ(ToHex(whole.DigestBytes(), 16), ToHex(pieces.DigestBytes(), 16));
    EXPECT_EQ(pieces.ByteCount, 1000u);
}

// 55 bytes pad into one block, 56 need a second one; openssl is the judge.
TEST(HashCrossCheck, MD4AgainstOpenssl)
{
    bool ok;
    RunCommand("echo -n | openssl dgst -md4 2>/dev/null", ok);
    std::string provider;
    if (!ok) {
        RunCommand("echo -n | openssl dgst -md4 -provider legacy -provider default 2>/dev/null", ok);
        if (!ok)
            GTEST_SKIP() << "openssl has no MD4";
        provider = " -provider legacy -provider default";
    }
    for (size_t len : {0u, 55u, 56u, 63u, 64u, 65u, 1u << 20}) {
        auto data = PseudoRandom(len, uint32_t(len) + 1);
        std::string path = TempPath("md4.bin");
        WriteFile(path, data.data(), data.size());
        std::string out = RunCommand("openssl dgst -md4 -r" + provider + " " + path, ok);
        ASSERT_TRUE(ok);
        THash_MD4 h;
        h.CalcBuffer(data.data(), int32_t(data.size()));
        EXPECT_EQ(out.substr(0, 32), ToHex(h.DigestBytes(), 16)) << len;
        std::remove(path.c_str());
    }
}

TEST(HashPipeline, DigestActionAndKeystream)
{
    THash_RipeMD128 h;
    std::string data = "message digest";
    h.ProcessBuffer(data.data(), int32_t(data.size()), actDigest);
    EXPECT_EQ(ToHex(h.DigestBytes(), 16), "9e327b3d6e523062afc1132d7df9d1b8");
    EXPECT_EQ(data, "message digest");

    // Encode XORs a keystream of rehashed digests; decode with the same
    // start state restores the text.
    std::string text(40, 'x');
    h.ProcessBuffer(text.data(), 40, actEncode);
    EXPECT_NE(text, std::string(40, 'x'));
    h.ProcessBuffer(text.data(), 40, actDecode);
    EXPECT_EQ(text, std::string(40, 'x'));

    // Scramble replaces each piece by the running digest.
    std::string s(20, 'q');
    h.ProcessBuffer(s.data(), 20, actScramble);
    THash_RipeMD128 ref;
    ref.Start();
    ref.Feed(std::string(16, 'q').data(), 16);
    ref.Finish();
    EXPECT_EQ(ToHex(s.data(), 16), ToHex(ref.DigestBytes(), 16));
}

TEST(HashClasses, FactoriesMakeTheirKind)
{
    std::unique_ptr<THash> h(THash_RipeMD256::Class()->Create());
    EXPECT_EQ(h->DigestLength(), 32);
    EXPECT_EQ(h->ClassType(), THash_RipeMD256::Class());
    EXPECT_TRUE(IsInstanceOf<THash_MD4>(h.get()));
    EXPECT_FALSE(IsInstanceOf<THash_RipeMD128>(h.get()));
    EXPECT_STREQ(THash_RipeMD128::Class()->ClassName, "THash_RipeMD128");
}
