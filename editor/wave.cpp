#include "editor/wave.h"

#include "platform/paths.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QPointer>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

namespace {

std::uint32_t Le32(std::string_view s, std::size_t at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t Le16(std::string_view s, std::size_t at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

constexpr int WaveFormatPcm = 1;
constexpr int WaveFormatFloat = 3;
constexpr int WaveFormatExtensible = 0xFFFE;

// Plays through Qt Multimedia's audio sink. The sink and its buffer hang
// below the application object, so they go with it even when this player
// outlives it at program end.
class TAudioWavePlayer : public TWavePlayer {
public:
    ~TAudioWavePlayer() override
    {
        Stop();
        delete FHolder.data();
    }

    bool Play(const std::string& wave, std::string& error) override
    {
        TWaveFormat f;
        if (!ParseWaveFile(wave, f, error))
            return false;
        if (!QCoreApplication::instance()) {
            error = "No sound output is available.";
            return false;
        }
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            error = "No sound output is available.";
            return false;
        }

        QAudioFormat format;
        format.setChannelCount(f.Channels);
        format.setSampleRate(f.SampleRate);
        QByteArray samples(wave.data() + f.DataOffset, static_cast<qsizetype>(f.DataSize));
        if (f.FormatTag == WaveFormatFloat && f.BitsPerSample == 32) {
            format.setSampleFormat(QAudioFormat::Float);
        } else if (f.FormatTag == WaveFormatPcm && f.BitsPerSample == 8) {
            format.setSampleFormat(QAudioFormat::UInt8);
        } else if (f.FormatTag == WaveFormatPcm && f.BitsPerSample == 16) {
            format.setSampleFormat(QAudioFormat::Int16);
        } else if (f.FormatTag == WaveFormatPcm && f.BitsPerSample == 32) {
            format.setSampleFormat(QAudioFormat::Int32);
        } else if (f.FormatTag == WaveFormatPcm && f.BitsPerSample == 24) {
            // The sink has no 24-bit samples: widen them to 32 bits.
            format.setSampleFormat(QAudioFormat::Int32);
            const qsizetype n = samples.size() / 3;
            QByteArray wide(n * 4, '\0');
            for (qsizetype i = 0; i < n; ++i) {
                wide[i * 4 + 1] = samples[i * 3];
                wide[i * 4 + 2] = samples[i * 3 + 1];
                wide[i * 4 + 3] = samples[i * 3 + 2];
            }
            samples = wide;
        } else {
            error = "The sound has a sample format that cannot be played (" + std::to_string(f.BitsPerSample) +
                    " bits, format " + std::to_string(f.FormatTag) + ").";
            return false;
        }
        if (!device.isFormatSupported(format)) {
            error = "The sound output cannot play this sound (" + std::to_string(f.Channels) + " channels, " +
                    std::to_string(f.SampleRate) + " Hz, " + std::to_string(f.BitsPerSample) + " bits).";
            return false;
        }

        Stop();
        if (!FHolder)
            FHolder = new QObject(QCoreApplication::instance());
        FBuffer = new QBuffer(FHolder);
        FBuffer->setData(samples);
        FBuffer->open(QIODevice::ReadOnly);
        FSink = new QAudioSink(device, format, FHolder);
        FSink->start(FBuffer);
        if (FSink->error() != QAudio::NoError) {
            error = "The sound output could not be opened.";
            Stop();
            return false;
        }
        return true;
    }

    void Stop() override
    {
        if (FSink) {
            FSink->stop();
            delete FSink.data();
        }
        delete FBuffer.data();
    }

private:
    QPointer<QObject> FHolder;
    QPointer<QAudioSink> FSink;
    QPointer<QBuffer> FBuffer;
};

std::unique_ptr<TWavePlayer>& InstalledPlayer()
{
    static std::unique_ptr<TWavePlayer> player;
    return player;
}

} // namespace

bool ParseWaveFile(std::string_view bytes, TWaveFormat& format, std::string& error)
{
    format = TWaveFormat{};
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE") {
        error = "The file is not a RIFF WAVE sound.";
        return false;
    }
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string_view id = bytes.substr(at, 4);
        const std::size_t size = Le32(bytes, at + 4);
        const std::size_t body = at + 8;
        const std::size_t left = bytes.size() - body;
        if (id == "fmt ") {
            if (size < 16 || size > left) {
                error = "The sound file's format chunk is damaged.";
                return false;
            }
            format.FormatTag = Le16(bytes, body);
            format.Channels = Le16(bytes, body + 2);
            format.SampleRate = static_cast<int>(std::min<std::uint32_t>(Le32(bytes, body + 4), 1u << 30));
            format.BitsPerSample = Le16(bytes, body + 14);
            // An extensible format names its sample kind in its sub-format.
            if (format.FormatTag == WaveFormatExtensible && size >= 26)
                format.FormatTag = Le16(bytes, body + 24);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) {
                error = "The sound file has no format chunk before its samples.";
                return false;
            }
            format.DataOffset = body;
            // Files cut short still play what they hold.
            format.DataSize = std::min(size, left);
            break;
        }
        if (size > left)
            break;
        at = body + size + (size & 1);
    }
    if (!haveFormat) {
        error = "The sound file has no format chunk.";
        return false;
    }
    if (format.DataOffset == 0) {
        error = "The sound file has no samples.";
        return false;
    }
    if (format.Channels < 1 || format.SampleRate < 1 || format.BitsPerSample < 1 ||
        (format.FormatTag != WaveFormatPcm && format.FormatTag != WaveFormatFloat)) {
        error = "The sound file is not in an uncompressed format.";
        return false;
    }
    return true;
}

TWavePlayer& WavePlayer()
{
    auto& player = InstalledPlayer();
    if (!player)
        player = CreateAudioWavePlayer();
    return *player;
}

std::unique_ptr<TWavePlayer> SetWavePlayer(std::unique_ptr<TWavePlayer> player)
{
    auto& installed = InstalledPlayer();
    if (installed)
        installed->Stop();
    std::swap(installed, player);
    return player;
}

std::unique_ptr<TWavePlayer> CreateAudioWavePlayer() { return std::make_unique<TAudioWavePlayer>(); }

// ---------------------------------------------------------------------------

void TWaveData::SetData(std::int32_t size, const void* buffer)
{
    Clear();
    if (size > 0 && buffer)
        FData.assign(static_cast<const char*>(buffer), static_cast<std::size_t>(size));
}

void TWaveData::Assign(const TWaveData* source)
{
    if (source == this)
        return;
    if (!source)
        Clear();
    else
        FData = source->FData;
}

bool TWaveData::LoadFromFile(const std::string& fileName, std::string* error)
{
    Clear();
    const std::string path = ResolvePathCase(fileName);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return true;
    auto fail = [&](const std::string& why) {
        Clear();
        if (error)
            *error = "The sound file \"" + AnsiFileName(fileName) + "\" " + why;
        return false;
    };
    const auto length = std::filesystem::file_size(path, ec);
    if (ec)
        return fail("cannot be read.");
    if (length > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max()))
        return fail("is too large.");
    if (length == 0)
        return true;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail("cannot be opened.");
    FData.resize(static_cast<std::size_t>(length));
    if (!in.read(FData.data(), static_cast<std::streamsize>(length)))
        return fail("cannot be read.");
    return true;
}

void TWaveData::WriteData(std::string& out) const
{
    const auto n = static_cast<std::uint32_t>(FData.size());
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((n >> shift) & 0xFF));
    out += FData;
}

bool TWaveData::ReadData(std::string_view in, std::size_t& pos)
{
    Clear();
    if (pos > in.size() || in.size() - pos < 4)
        return false;
    const auto size = static_cast<std::int32_t>(Le32(in, pos));
    if (size < 0 || in.size() - pos - 4 < static_cast<std::size_t>(size))
        return false;
    FData.assign(in.substr(pos + 4, static_cast<std::size_t>(size)));
    pos += 4 + static_cast<std::size_t>(size);
    return true;
}

bool TWaveData::Play(std::string* error) const
{
    std::string why;
    bool played = false;
    if (!IsEmpty()) {
        TWaveFormat format;
        played = ParseWaveFile(FData, format, why) && WavePlayer().Play(FData, why);
    }
    if (error)
        *error = played ? std::string() : why;
    return played;
}

// ---------------------------------------------------------------------------

TWave::TWave(QObject* owner, const char* name) : QObject(owner)
{
    if (name)
        setObjectName(name);
}

bool TWave::Play(std::string* error)
{
    if (OnPlay)
        OnPlay(this);
    return FWaveData.Play(error);
}
