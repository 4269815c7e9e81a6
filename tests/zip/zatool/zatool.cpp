// zatool: a small command-line driver of the archive component, used by the
// interoperability tests, the fuzz corpus script and by hand. Not part of the
// product.
//
//   zatool add|extract|test|list <archive> [files/dirs/masks...]
//          [-p password] [-0..-9 level] [-C basedir] [-R]
//
// add      adds each argument (a file or folder name or a mask, relative to
//          the base folder; "*.*" when none) with all attributes
// extract  extracts the items matching each mask ("*.*" when none) below the
//          base folder, replacing existing files
// test     checks the matching items by extracting them to temporary files
// list     prints size, packed size, method, CRC and stored name of each item
//
// -R       opens an archive cut short (no central directory) from its local
//          headers, to save what is left; the run still ends with exit 1.
//
// Items that fail are reported as "failed: <name>: <message>" and skipped; a
// wrong password skips the item, which is reported the same way. Names and
// messages are printed in UTF-8, control characters escaped. Exit code: 0 all
// well, 1 some items failed (or the archive was cut short), 2 the archive
// could not be processed, 3 bad command line.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "zip/zaarchiver.h"
#include "zip/zaerrors.h"

#include "platform/paths.h"

namespace {

struct Command {
    std::string verb;
    std::string archive;
    std::vector<std::string> masks;
    std::string password;
    bool hasPassword = false;
    int level = -1;  // -1: the component's default
    std::string baseDir = ".";
    bool salvage = false;
};

int Usage()
{
    std::fprintf(stderr,
                 "usage: zatool add|extract|test|list <archive> [files/dirs...] [-p password] [-0..-9] "
                 "[-C basedir]\n");
    return 3;
}

bool Parse(int argc, char** argv, Command& c)
{
    std::vector<std::string> plain;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-p" && i + 1 < argc) {
            c.password = argv[++i];
            c.hasPassword = true;
        } else if (a == "-C" && i + 1 < argc) {
            c.baseDir = argv[++i];
        } else if (a == "-R") {
            c.salvage = true;
        } else if (a.size() == 2 && a[0] == '-' && a[1] >= '0' && a[1] <= '9') {
            c.level = a[1] - '0';
        } else if (a.size() > 1 && a[0] == '-') {
            return false;
        } else {
            plain.push_back(a);
        }
    }
    if (plain.size() < 2) return false;
    c.verb = plain[0];
    c.archive = plain[1];
    // Masks name items, which the engine takes as ANSI; the command line is
    // this system's text (UTF-8). The archive and -C are disk paths as given.
    for (std::size_t i = 2; i < plain.size(); ++i) c.masks.push_back(AnsiFileName(plain[i]));
    if (c.masks.empty()) c.masks.push_back("*.*");
    return c.verb == "add" || c.verb == "extract" || c.verb == "test" || c.verb == "list";
}

const char* MethodName(const TDirItem& item)
{
    switch (item.CentralDir.Method) {
    case 0: return "stored";
    case 8: return "deflated";
    default: return "other";
    }
}

int Run(const Command& c)
{
    TZipArchiver za;
    za.Name = "zatool";
    za.FileName = c.archive;
    za.BaseDir = c.baseDir;
    za.Password = c.password;
    za.AcceptCutArchive = c.salvage;
    if (c.level >= 0) za.SetCompressionMode(c.level);

    int failures = 0;
    za.OnProcessFileFailure = [&failures](TZABaseArchiver&, const std::string& name, TZAProcessOperation op,
                                          int32_t native, int32_t, const std::string& message, TZAAction& action) {
        // Items come with "\" separators; this system writes "/".
        std::string shown = name;
        if (op == poExtract || op == poTest)
            for (char& c : shown)
                if (c == '\\') c = '/';
        std::printf("failed: %s: %s (code %d)\n", ZAShownName(shown).c_str(), message.c_str(),
                    static_cast<int>(native));
        ++failures;
        action = faSkip;
    };
    // Never prompt: a password that does not fit skips the item, which the
    // component then reports as a failure.
    za.OnPassword = [](TZABaseArchiver&, const std::string&, std::string&, bool& skip) { skip = true; };
    za.OnConfirmOverwrite = [](TZABaseArchiver&, const std::string&, std::string&, bool& confirm) {
        confirm = true;
    };

    if (c.verb == "add") {
        za.OpenArchive();
        for (const std::string& m : c.masks) za.AddFiles(m, faAnyFile, "");
        za.CloseArchive();
        return failures ? 1 : 0;
    }

    za.OpenArchiveWithMode(fmOpenRead | fmShareDenyNone);
    if (za.DirectoryRebuilt()) {
        std::printf("warning: %s\n", EZAException(ZAErrRebuilt, &za, {c.archive}).what());
        ++failures;
    }
    if (c.verb == "list") {
        for (int32_t i = 0; i < za.Count(); ++i) {
            const TDirItem& item = za.Item(i);
            std::printf("%10u %10u %-8s %08x %s%s\n", static_cast<unsigned>(item.CentralDir.UncompressedSize),
                        static_cast<unsigned>(item.CentralDir.CompressedSize), MethodName(item),
                        static_cast<unsigned>(item.CentralDir.Crc32), ZAShownName(ZADiskNameOf(item), SIZE_MAX).c_str(),
                        (item.CentralDir.Flags & 1) ? " (encrypted)" : "");
        }
    } else {
        for (const std::string& m : c.masks) {
            if (c.verb == "extract") {
                za.ExtractFiles(m, faAnyFile, "");
            } else {
                za.TestFiles(m, faAnyFile, "");
            }
        }
    }
    za.CloseArchive();
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Command c;
    if (!Parse(argc, argv, c)) return Usage();
    try {
        return Run(c);
    } catch (const EZAException& e) {
        std::printf("error: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::printf("error: %s\n", e.what());
        return 2;
    }
}
