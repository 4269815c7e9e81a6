#pragma once
// Sound preview: a sound file (RIFF WAVE) held whole in memory and played
// without waiting for its end.
//
// TWaveData holds the bytes; TWave is the component a window owns to play
// them. Playing goes through one TWavePlayer for the whole program. The
// ordinary player sends the samples to the default audio output through Qt
// Multimedia; tests and machines without sound install another one with
// SetWavePlayer. Only files that pass ParseWaveFile reach a player, so a
// player always receives a well-formed file. Starting a sound cuts off the
// one still playing.

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// What ParseWaveFile found in a file: the format chunk's fields and where
// the samples are.
struct TWaveFormat {
    int FormatTag = 0; // 1 integer PCM, 3 floating point
    int Channels = 0;
    int SampleRate = 0;
    int BitsPerSample = 0;
    std::size_t DataOffset = 0;
    std::size_t DataSize = 0; // cut to the bytes present when the file ends early
};

// Checks that bytes are a RIFF WAVE file with a format chunk of integer or
// floating-point samples and a data chunk. False, with a sentence in error,
// for anything else (so nothing is played from a damaged file).
bool ParseWaveFile(std::string_view bytes, TWaveFormat& format, std::string& error);

// Plays a whole RIFF WAVE file held in memory.
class TWavePlayer {
public:
    virtual ~TWavePlayer() = default;
    // Starts playing and returns at once; a sound still playing is cut off.
    // Returns false with a sentence in error when nothing plays (no audio
    // output, a format the output cannot take).
    virtual bool Play(const std::string& wave, std::string& error) = 0;
    // Ends the sound playing now, if any.
    virtual void Stop() = 0;
};

// The player of the program; the Qt Multimedia player is made on first use.
TWavePlayer& WavePlayer();
// Installs player (nothing: the Qt Multimedia player again, made on next
// use) and returns the one installed before.
std::unique_ptr<TWavePlayer> SetWavePlayer(std::unique_ptr<TWavePlayer> player);
// A player for the default audio output of the machine.
std::unique_ptr<TWavePlayer> CreateAudioWavePlayer();

// The bytes of one sound file; empty when Size() is 0.
class TWaveData {
public:
    std::int32_t Size() const { return static_cast<std::int32_t>(FData.size()); }
    const std::string& Data() const { return FData; }
    bool IsEmpty() const { return FData.empty(); }

    void Clear() { FData.clear(); }
    // Clear, then a copy of size bytes of buffer (nothing for size <= 0).
    void SetData(std::int32_t size, const void* buffer);
    // A copy of source's bytes; no source clears.
    void Assign(const TWaveData* source);

    // Clear, then the whole file. A missing file leaves the data empty and
    // is no failure. False, with a sentence in error, when the file exists
    // but cannot be read or is too large; the data are empty then.
    bool LoadFromFile(const std::string& fileName, std::string* error = nullptr);

    // The stored form: the size as 4 bytes little-endian, then the bytes.
    void WriteData(std::string& out) const;
    // Reads the stored form at pos and moves pos past it. False when the
    // size is negative or more bytes are announced than follow; the data
    // are empty then and pos is left where it was.
    bool ReadData(std::string_view in, std::size_t& pos);

    // Hands the file to the program's player and returns at once. Empty data
    // play nothing (false, error empty). A file that is not a valid RIFF WAVE,
    // or a player that cannot play it, gives false with a sentence in error.
    bool Play(std::string* error = nullptr) const;

private:
    std::string FData;
};

// A sound a window plays (the track properties' "Test" button).
class TWave : public QObject {
    Q_OBJECT
public:
    explicit TWave(QObject* owner = nullptr, const char* name = nullptr);

    TWaveData& WaveData() { return FWaveData; }
    const TWaveData& WaveData() const { return FWaveData; }
    void SetWaveData(const TWaveData& data) { FWaveData.Assign(&data); }

    // Called with this component before each Play.
    std::function<void(TWave*)> OnPlay;
    // OnPlay, then WaveData().Play.
    bool Play(std::string* error = nullptr);

private:
    TWaveData FWaveData;
};
