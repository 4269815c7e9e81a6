#include "zip/zaarchiver.h"

// Items of the engine's own block format (any method other than stored and
// deflate). Reading them needs the block ciphers, hashes and the PPM decoder;
// until that reader is linked in, such an item reads as damaged, so it fails
// through the usual checksum error (or is kept when ExtractCorruptedFiles).
bool TZABaseArchiver::ReadBlockData(int32_t Index, TZAStream& Target, uint32_t& Crc, uint64_t& Written)
{
    (void)Index;
    (void)Target;
    (void)Crc;
    (void)Written;
    return false;
}
