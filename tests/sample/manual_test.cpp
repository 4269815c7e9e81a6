// The user manual the build prints into the program folder, where
// Help > Manual opens it: a whole PDF with a sensible number of pages and
// the pictures of the program's windows.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

namespace {

std::string ReadAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int CountPageObjects(const std::string& pdf)
{
    // "/Type /Page" but not "/Type /Pages", the page tree.
    int pages = 0;
    const std::string key = "/Type /Page";
    for (std::size_t at = pdf.find(key); at != std::string::npos; at = pdf.find(key, at + 1))
        if (at + key.size() >= pdf.size() || pdf[at + key.size()] != 's')
            ++pages;
    return pages;
}

TEST(Manual, BuildPutsAWholePdfIntoTheProgramFolder)
{
    const std::filesystem::path file = std::filesystem::path(VELKAST_PROGRAM_DIR) / "Velkast Manual.pdf";
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    const std::string pdf = ReadAll(file);
    ASSERT_GT(pdf.size(), 10000u);
    EXPECT_EQ(pdf.compare(0, 5, "%PDF-"), 0);
    // A cut file lacks the end mark.
    const std::size_t end = pdf.find_last_not_of("\r\n ");
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(pdf.substr(end - 4, 5), "%%EOF");

    const int pages = CountPageObjects(pdf);
    EXPECT_GE(pages, 4);
    EXPECT_LE(pages, 30);
    std::smatch count;
    ASSERT_TRUE(std::regex_search(pdf, count, std::regex("/Count ([0-9]+)")));
    EXPECT_EQ(std::stoi(count[1]), pages);

    // The pictures of the main window, the track properties and the export
    // window, taken from the program while the manual was printed.
    int pictures = 0;
    for (std::size_t at = pdf.find("/Subtype /Image"); at != std::string::npos; at = pdf.find("/Subtype /Image", at + 1))
        ++pictures;
    EXPECT_EQ(pictures, 3);
}

TEST(Manual, SourceCoversTheUsersRoadFromSampleToInstalledPackage)
{
    const std::string text = ReadAll(std::filesystem::path(VELKAST_SOURCE_DIR) / "doc/manual.md");
    for (const char* heading : {"## 2. Getting started with the sample project", "## 4. Drawing and connecting tracks",
                                "## 5. Track properties", "## 6. Stations", "## 8. Objects",
                                "## 9. Exporting into the BVE folder", "## 10. Making a package",
                                "## 11. Installing a package"})
        EXPECT_NE(text.find(heading), std::string::npos) << heading;
}

} // namespace
