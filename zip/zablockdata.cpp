#include "zip/zaarchiver.h"

#include "zip/blockdata.h"

// Items of the engine's own block format (any method other than stored and
// deflate): the block reader deciphers and decompresses them, asking for the
// password and reporting progress through the component's own events.
bool TZABaseArchiver::ReadBlockData(int32_t Index, TZAStream& Target, uint32_t& Crc, uint64_t& Written)
{
    const TDirItem& item = FManager->Directory().GetItemPtr(Index);
    const std::string stored = item.StoredName;
    TBlockItemReader reader;
    reader.ExpectedSize = item.CentralDir.UncompressedSize;
    reader.DataSize = item.CentralDir.CompressedSize;
    reader.Archive = FStream.get();
    reader.Target = &Target;
    reader.Password = Password;
    reader.SlowdownMs = PasswordDelayMs;
    reader.OnPassword = [&](std::string& newPassword, bool& skip) { DoPassword(stored, newPassword, skip); };
    reader.OnProgress = [&](double done, double total, bool& cancel) {
        ReportChunkProgress(stored, FCurrentOperation, done, total);
        cancel = FCancel;
    };
    const bool ok = ReadBlockItem(reader, Crc, Written);
    Password = reader.Password;
    if (reader.NotBlockFormat)
        throw EZAException(ZAErrMethod, this, {stored, int(FManager->Directory().GetItemPtr(Index).CentralDir.Method)});
    FNoPassword = reader.Skipped;
    if (reader.Skipped || reader.Cancelled) {
        // Skipped at the password prompt, or stopped by the user: no damage.
        FSkip = true;
        return reader.Cancelled;
    }
    return ok;
}
