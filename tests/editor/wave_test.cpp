// Sound preview: holding, storing and handing sound files to the player.

#include "editor/wave.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Records what it is asked to play.
class TRecordingPlayer : public TWavePlayer {
public:
    explicit TRecordingPlayer(std::vector<std::string>& played, bool succeed = true)
        : FPlayed(played), FSucceed(succeed) {}
    bool Play(const std::string& wave, std::string& error) override
    {
        if (!FSucceed) {
            error = "No sound output is available.";
            return false;
        }
        FPlayed.push_back(wave);
        return true;
    }
    void Stop() override {}

private:
    std::vector<std::string>& FPlayed;
    bool FSucceed;
};

std::string Le32(std::uint32_t v)
{
    std::string s;
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return s;
}

// A mono 16-bit PCM file with the given samples (bytes), optionally with an
// extra chunk before the format.
std::string MakeWave(const std::string& samples, const std::string& extra = {})
{
    std::string fmt = "fmt " + Le32(16) + std::string("\x01\x00\x01\x00", 4) + Le32(22050) + Le32(44100) +
                      std::string("\x02\x00\x10\x00", 4);
    std::string data = "data" + Le32(static_cast<std::uint32_t>(samples.size())) + samples;
    std::string body = "WAVE" + extra + fmt + data;
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

class WaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Previous = SetWavePlayer(std::make_unique<TRecordingPlayer>(Played));
        Dir = fs::temp_directory_path() / ("velkast_wave_" + std::to_string(::getpid()));
        fs::create_directories(Dir);
    }
    void TearDown() override
    {
        SetWavePlayer(std::move(Previous));
        fs::remove_all(Dir);
    }
    std::string Put(const std::string& name, const std::string& bytes)
    {
        std::ofstream((Dir / name).string(), std::ios::binary) << bytes;
        return (Dir / name).string();
    }

    std::vector<std::string> Played;
    std::unique_ptr<TWavePlayer> Previous;
    fs::path Dir;
};

} // namespace

TEST_F(WaveTest, EmptyAndMissingFilesPlayNothing)
{
    TWave wave(nullptr, "Wave1");
    int calls = 0;
    wave.OnPlay = [&](TWave* sender) {
        EXPECT_EQ(sender, &wave);
        ++calls;
    };
    std::string error = "x";
    ASSERT_TRUE(wave.WaveData().LoadFromFile(Put("empty.wav", ""), &error));
    EXPECT_TRUE(wave.WaveData().IsEmpty());
    EXPECT_FALSE(wave.Play(&error));
    EXPECT_EQ(error, "");

    wave.WaveData().SetData(3, "abc");
    ASSERT_TRUE(wave.WaveData().LoadFromFile((Dir / "missing.wav").string()));
    EXPECT_TRUE(wave.WaveData().IsEmpty());
    EXPECT_FALSE(wave.Play());
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(Played.empty());
}

TEST_F(WaveTest, ValidFileReachesThePlayerWhole)
{
    const std::string file = MakeWave(std::string("\x01\x02\x03\x04", 4), "LIST" + Le32(3) + "abc" + '\0');
    TWave wave;
    ASSERT_TRUE(wave.WaveData().LoadFromFile(Put("ding.wav", file)));
    EXPECT_EQ(wave.WaveData().Size(), static_cast<std::int32_t>(file.size()));
    EXPECT_TRUE(wave.Play());
    EXPECT_TRUE(wave.Play());
    ASSERT_EQ(Played.size(), 2u);
    EXPECT_EQ(Played[0], file);

    TWaveFormat format;
    std::string error;
    ASSERT_TRUE(ParseWaveFile(file, format, error));
    EXPECT_EQ(format.Channels, 1);
    EXPECT_EQ(format.SampleRate, 22050);
    EXPECT_EQ(format.BitsPerSample, 16);
    EXPECT_EQ(file.substr(format.DataOffset, format.DataSize), std::string("\x01\x02\x03\x04", 4));
}

TEST_F(WaveTest, DamagedFilesAreRefusedWithAReason)
{
    const std::string good = MakeWave(std::string(8, '\0'));
    std::string noWave = good;
    noWave[8] = 'X';
    std::string shortFormat = good;
    shortFormat.resize(30); // cut inside the format chunk
    std::string compressed = good;
    compressed[20] = 2; // ADPCM
    const std::string noData = good.substr(0, 36);
    for (const std::string& bad : {std::string("RIFF"), noWave, shortFormat, compressed, noData,
                                   std::string("just some text, not a sound file")}) {
        TWaveData data;
        data.SetData(static_cast<std::int32_t>(bad.size()), bad.data());
        std::string error;
        EXPECT_FALSE(data.Play(&error)) << bad.size();
        EXPECT_FALSE(error.empty()) << bad.size();
    }
    EXPECT_TRUE(Played.empty());

    // A data chunk that claims more than the file holds plays what is there.
    std::string cut = good.substr(0, good.size() - 3);
    TWaveFormat format;
    std::string error;
    ASSERT_TRUE(ParseWaveFile(cut, format, error));
    EXPECT_EQ(format.DataSize, 5u);
}

TEST_F(WaveTest, PlayerFailureIsReportedNotThrown)
{
    SetWavePlayer(std::make_unique<TRecordingPlayer>(Played, false));
    const std::string file = MakeWave("ab");
    TWaveData data;
    data.SetData(static_cast<std::int32_t>(file.size()), file.data());
    std::string error;
    EXPECT_FALSE(data.Play(&error));
    EXPECT_EQ(error, "No sound output is available.");
}

TEST_F(WaveTest, StoredFormRoundTripsAndRefusesBadSizes)
{
    TWaveData data;
    const std::string bytes("RIFF\0\x01\xff", 7);
    data.SetData(7, bytes.data());
    std::string stored;
    data.WriteData(stored);
    EXPECT_EQ(stored, std::string("\x07\0\0\0", 4) + bytes);
    TWaveData empty;
    empty.WriteData(stored);

    TWaveData back;
    back.SetData(1, "z");
    std::size_t pos = 0;
    ASSERT_TRUE(back.ReadData(stored, pos));
    EXPECT_EQ(back.Data(), bytes);
    ASSERT_TRUE(back.ReadData(stored, pos));
    EXPECT_TRUE(back.IsEmpty());
    EXPECT_EQ(pos, stored.size());

    TWave copy;
    copy.SetWaveData(data);
    EXPECT_EQ(copy.WaveData().Data(), bytes);
    copy.WaveData().Assign(nullptr);
    EXPECT_TRUE(copy.WaveData().IsEmpty());

    // More bytes announced than follow, and a negative size.
    for (const std::string& bad : {std::string("\x09\0\0\0abc", 7), std::string("\xff\xff\xff\xff", 4),
                                   std::string("\x01\0", 2)}) {
        TWaveData d;
        d.SetData(1, "z");
        std::size_t at = 0;
        EXPECT_FALSE(d.ReadData(bad, at));
        EXPECT_EQ(at, 0u);
        EXPECT_TRUE(d.IsEmpty());
    }
}

TEST(AudioWavePlayer, NeverBlocksOrThrowsWithoutASoundDevice)
{
    // Whatever this machine has for sound, a valid file either starts or is
    // refused with a reason; a damaged one is always refused.
    if (!QApplication::instance()) {
        static int argc = 1;
        static char name[] = "editor_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv); // lives until the test program ends
    }
    auto player = CreateAudioWavePlayer();
    const std::string file = MakeWave(std::string(64, '\0'));
    std::string error;
    if (!player->Play(file, error)) {
        EXPECT_FALSE(error.empty());
    }
    player->Stop();
    error.clear();
    EXPECT_FALSE(player->Play("RIFF", error));
    EXPECT_FALSE(error.empty());
}
