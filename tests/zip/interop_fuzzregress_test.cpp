// Every input the fuzzer ever found a fault with (tests/zip/fuzz/crashes) is
// opened, listed, tested and extracted again: the component must answer each
// with its own error or a clean result, never with a crash, and must write
// nothing outside the target folder.

#include <gtest/gtest.h>

#include <algorithm>

#include "interop_support.h"

namespace {

using namespace interop;

std::vector<fs::path> CrashInputs()
{
    std::vector<fs::path> files;
    fs::path dir = fs::path(VELKAST_SOURCE_DIR) / "tests" / "zip" / "fuzz" / "crashes";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        if (e.is_regular_file() && e.path().filename() != "README") files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(InteropFuzzRegression, EveryFormerCrashInputIsHandled)
{
    if (!fs::exists(ZatoolPath())) GTEST_SKIP() << "zatool was not built next to the tests";
    std::vector<fs::path> inputs = CrashInputs();
    if (inputs.empty()) GTEST_SKIP() << "no fuzzer findings recorded";
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        TempFolder temp;
        fs::path archive = temp / "in.zip";
        fs::copy_file(input, archive);
        fs::path base = temp / "a" / "b" / "out";
        fs::create_directories(base);
        for (const char* verb : {"list", "test", "extract"}) {
            // Memory stays far below what a bomb among the inputs asks for.
            RunResult r = Shell("ulimit -v 1000000; timeout 60 " + Q(ZatoolPath()) + " " + std::string(verb) + " " +
                                Q(archive) + " -C " + Q(base) + " </dev/null");
            // 0 clean, 1 items failed, 2 archive refused; anything else is a
            // crash or a hang.
            EXPECT_TRUE(r.code >= 0 && r.code <= 2) << verb << " ended with " << r.code << "\n" << r.out;
            EXPECT_EQ(r.out.find("bad_alloc"), std::string::npos) << verb << "\n" << r.out;
        }
        for (const auto& e : fs::recursive_directory_iterator(temp.path())) {
            std::string rel = fs::relative(e.path(), temp.path()).string();
            bool inside = rel == "in.zip" || rel == "a" || rel == "a/b" || rel == "a/b/out" || rel.rfind("a/b/out/", 0) == 0;
            EXPECT_TRUE(inside) << "written outside the target folder: " << rel;
        }
    }
}

}  // namespace
