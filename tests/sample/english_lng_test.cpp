// Checks the shipped English language file: its bytes (ANSI, CR LF), its INI
// form as the profile functions read it, one section per window with the
// window's caption, and every message key the editor looks up, each written
// in the one-line form whose line breaks are 8-character separators.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "platform/textlines.h"

namespace {

const std::string kFile = std::string(VELKAST_SOURCE_DIR) + "/sample/program/english.lng";

// The 24 windows in the order the program creates them; the translator
// writes their sections in this order too.
const std::vector<std::string> kWindows = {
    "FormMain",           "FormOptions",        "CreateProj_Wizard",     "FormAddons",
    "FormAbout",          "FormTimetable",      "FormTrackProperties",   "FormTrain",
    "FormRouteDefinitions", "FormExport",       "FormObjects",           "FormStations",
    "FormBGMap",          "FormNewBGImage",     "FormProjectProperties", "FormSelectObject",
    "FormWelcome",        "FormFreeObjProperties", "FormMoveEverything", "FormPackage",
    "FormPredefinedObjects", "FormCreatePackage", "FormTrackTypes",      "FormReplace",
};

// Every key the editor asks the message lookup for.
const std::vector<std::string> kMessageKeys = {
    "tmain_ask_save",     "tmain_errorloading", "tmain_no_pr",        "tmain_no_rd",
    "texport_no_filename", "texport_no_dir",    "texport_incomplete", "tvlexport_no_conn",
    "toptions_no_sv",     "twizard_close",      "twizard_no_prjname", "twizard_no_name",
    "upredefobj_already", "urdform_merge",      "ufrmeditor_nobgmap", "ufrmeditor_nopts",
    "tmain_errorsaving",  "texport_no_stations", "texport_station_unusable", "texport_same_station", "texport_bad_name",
    "texport_no_bvefolder", "texport_write_failed", "texport_copy_failed", "texport_no_bve",
    "ufreeobj_no_number", "ufreeobj_no_angle",  "udialog_decimal_form", "udialog_bad_text",
    "udialog_text_line",  "udialog_text_chars", "udialog_text_empty", "ustations_no_station",
    "ustations_no_track", "ustations_platform_exists", "toptions_save_failed", "uobjects_bad_name",
};

const size_t kSeparatorLength = 8;  // a double quote and 7 further characters
const size_t kMaxValueLength = 2047;  // the profile functions cut longer values

struct Entry {
    std::string key;
    std::string value;
    int line = 0;
};

struct Section {
    std::string name;
    std::vector<Entry> entries;
    int line = 0;
};

struct IniFile {
    std::vector<Section> sections;
    std::vector<std::string> errors;  // lines that are none of the three forms

    const Section* Find(const std::string& name) const {
        for (const Section& s : sections)
            if (SameText(s.name, name)) return &s;
        return nullptr;
    }
};

const Entry* FindEntry(const Section& s, const std::string& key) {
    for (const Entry& e : s.entries)
        if (SameText(e.key, key)) return &e;
    return nullptr;
}

// The file's lines must be: "[section]", "key=value" inside a section, or empty.
IniFile ParseIni(const std::string& text) {
    IniFile ini;
    TStrings lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        int no = static_cast<int>(i) + 1;
        if (l.empty()) continue;
        if (l.front() == '[') {
            if (l.back() != ']' || l.size() < 3) {
                ini.errors.push_back("line " + std::to_string(no) + ": " + l);
                continue;
            }
            ini.sections.push_back({l.substr(1, l.size() - 2), {}, no});
            continue;
        }
        size_t eq = l.find('=');
        if (eq == std::string::npos || eq == 0 || ini.sections.empty() ||
            Trim(l.substr(0, eq)) != l.substr(0, eq)) {
            ini.errors.push_back("line " + std::to_string(no) + ": " + l);
            continue;
        }
        ini.sections.back().entries.push_back({l.substr(0, eq), l.substr(eq + 1), no});
    }
    return ini;
}

// The message lookup's unfolding of a stored value into lines.
std::string UnfoldMessage(const std::string& value) {
    if (value.find('"') == std::string::npos) return value;
    std::string rest = value, result;
    while (!rest.empty()) {
        size_t q = rest.find('"');
        if (q == std::string::npos) {
            result += rest + "\r\n";
            break;
        }
        result += rest.substr(0, q) + "\r\n";
        rest.erase(0, std::min(rest.size(), q + kSeparatorLength));
    }
    return result;
}

bool IsIdentifier(const std::string& s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

// A window section's key: "_FormCaption", a component name, a tool button's
// "<name>_hint" (itself an identifier) or a status panel "<name>.Panels[<digit>]".
bool IsComponentKey(const std::string& key) {
    if (IsIdentifier(key)) return true;
    const std::string panels = ".Panels[";
    size_t dot = key.find(panels);
    if (dot == std::string::npos) return false;
    std::string tail = key.substr(dot + panels.size());
    return IsIdentifier(key.substr(0, dot)) && tail.size() == 2 &&
           std::isdigit(static_cast<unsigned char>(tail[0])) && tail[1] == ']';
}

class EnglishLng : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(ReadFileBytes(kFile, bytes_)) << "cannot read " << kFile;
        ini_ = ParseIni(bytes_);
    }
    static std::string bytes_;
    static IniFile ini_;
};
std::string EnglishLng::bytes_;
IniFile EnglishLng::ini_;

TEST_F(EnglishLng, UsesCrLfLineEndsOnly) {
    ASSERT_FALSE(bytes_.empty());
    for (size_t i = 0; i < bytes_.size(); ++i) {
        if (bytes_[i] == '\r') {
            ASSERT_TRUE(i + 1 < bytes_.size() && bytes_[i + 1] == '\n') << "lone CR at byte " << i;
        } else if (bytes_[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes_[i - 1] == '\r') << "lone LF at byte " << i;
        }
    }
    EXPECT_EQ(bytes_.substr(bytes_.size() - 2), "\r\n") << "last line without line end";
}

TEST_F(EnglishLng, IsAnsiText) {
    EXPECT_NE(bytes_.substr(0, 3), "\xEF\xBB\xBF") << "UTF-8 byte order mark";
    EXPECT_EQ(bytes_.find('\0'), std::string::npos);
    // The degree sign is one Windows-1252 byte, not a UTF-8 pair.
    EXPECT_EQ(bytes_.find("\xC2\xB0"), std::string::npos);
    const Section* s = ini_.Find("FormFreeObjProperties");
    ASSERT_NE(s, nullptr);
    const Entry* degree = FindEntry(*s, "Label5");
    ASSERT_NE(degree, nullptr);
    EXPECT_EQ(degree->value, "\xB0");
}

TEST_F(EnglishLng, EveryLineIsSectionKeyValueOrEmpty) {
    for (const std::string& e : ini_.errors) ADD_FAILURE() << e;
}

TEST_F(EnglishLng, NoValueIsTheMissingKeyText) {
    for (const Section& s : ini_.sections)
        for (const Entry& e : s.entries) {
            EXPECT_FALSE(SameText(Trim(e.value), "ERROR"))
                << "[" << s.name << "] " << e.key << " (line " << e.line << ")";
            EXPECT_LT(e.value.size(), kMaxValueLength) << "[" << s.name << "] " << e.key;
        }
}

TEST_F(EnglishLng, BlanksAroundAValueAreQuoted) {
    // The profile readers drop blanks at either end of a value; a text that
    // needs them is written in double quotes, which the readers remove.
    for (const Section& s : ini_.sections)
        for (const Entry& e : s.entries)
            EXPECT_EQ(Trim(e.value), e.value) << "[" << s.name << "] " << e.key;
    const Section* s = ini_.Find("FormProjectProperties");
    ASSERT_NE(s, nullptr);
    const Entry* group = FindEntry(*s, "GroupBox1");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->value, "\"   Default Objects   \"");
}

TEST_F(EnglishLng, NoDuplicateSectionsOrKeys) {
    // The profile functions ignore letter case: a second spelling is shadowed.
    std::set<std::string> sections;
    for (const Section& s : ini_.sections) {
        EXPECT_TRUE(sections.insert(AnsiUpperCase(s.name)).second)
            << "section " << s.name << " again at line " << s.line;
        std::set<std::string> keys;
        for (const Entry& e : s.entries)
            EXPECT_TRUE(keys.insert(AnsiUpperCase(e.key)).second)
                << "[" << s.name << "] " << e.key << " again at line " << e.line;
    }
}

TEST_F(EnglishLng, LanguageSectionNamesTheLanguageAndItsMenu) {
    const Section* s = ini_.Find("Language");
    ASSERT_NE(s, nullptr);
    const Entry* language = FindEntry(*s, "Language");
    const Entry* menu = FindEntry(*s, "MenuItem");
    ASSERT_NE(language, nullptr);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(language->value, "English");
    EXPECT_FALSE(Trim(menu->value).empty());
}

TEST_F(EnglishLng, HasOneSectionPerWindowInCreationOrder) {
    // The translator matches sections to window names exactly, case included.
    std::vector<std::string> windows;
    for (const Section& s : ini_.sections)
        if (s.name != "Language" && s.name != "Project_Messages") windows.push_back(s.name);
    EXPECT_EQ(windows, kWindows);
}

TEST_F(EnglishLng, EveryWindowSectionHasACaptionAndComponentKeys) {
    for (const std::string& w : kWindows) {
        const Section* s = ini_.Find(w);
        ASSERT_NE(s, nullptr) << w;
        EXPECT_EQ(s->name, w) << "section name must match the window name exactly";
        const Entry* caption = FindEntry(*s, "_FormCaption");
        ASSERT_NE(caption, nullptr) << w << " lacks _FormCaption";
        EXPECT_FALSE(Trim(caption->value).empty()) << w;
        for (const Entry& e : s->entries) {
            if (e.key == "_FormCaption") continue;
            EXPECT_TRUE(IsComponentKey(e.key)) << "[" << w << "] " << e.key;
        }
    }
}

TEST_F(EnglishLng, MainWindowCarriesMenusHintsAndStatusPanels) {
    const Section* s = ini_.Find("FormMain");
    ASSERT_NE(s, nullptr);
    struct Expect { const char* key; const char* value; };
    for (const Expect& x : {Expect{"Projekt_Create", "&New..."}, Expect{"VL_Exit", "Exit"},
                            Expect{"Options", "&Options..."}, Expect{"AboutVL", "&About Velkast"},
                            Expect{"ToolButton1_hint", "New project"},
                            Expect{"tbExport_hint", "Export (Ctrl+E)"},
                            Expect{"StatusBar.Panels[0]", "Velkast"},
                            Expect{"StatusBar.Panels[1]", "Initialization..."},
                            Expect{"OpenDialog1", "Open project"}}) {
        const Entry* e = FindEntry(*s, x.key);
        ASSERT_NE(e, nullptr) << x.key;
        EXPECT_EQ(e->value, x.value) << x.key;
    }
}

class EnglishLngMessages : public EnglishLng {};

TEST_F(EnglishLngMessages, EveryLookedUpKeyIsPresent) {
    const Section* s = ini_.Find("Project_Messages");
    ASSERT_NE(s, nullptr);
    for (const std::string& key : kMessageKeys) {
        const Entry* e = FindEntry(*s, key);
        ASSERT_NE(e, nullptr) << key;
        EXPECT_EQ(e->key, key);
        EXPECT_FALSE(Trim(e->value).empty()) << key;
    }
}

TEST_F(EnglishLngMessages, EveryLineEndsWithTheSeparator) {
    const Section* s = ini_.Find("Project_Messages");
    ASSERT_NE(s, nullptr);
    std::string separator;
    for (const Entry& e : s->entries) {
        const std::string& v = e.value;
        ASSERT_GE(v.size(), kSeparatorLength + 1) << e.key;
        std::string last = v.substr(v.size() - kSeparatorLength);
        EXPECT_EQ(last[0], '"') << e.key << " does not end with a separator";
        if (separator.empty()) separator = last;
        // Every double quote must start a whole separator, or the lookup
        // swallows message text; and the file uses one separator throughout.
        for (size_t q = v.find('"'); q != std::string::npos; q = v.find('"', q + kSeparatorLength)) {
            ASSERT_LE(q + kSeparatorLength, v.size()) << e.key;
            EXPECT_EQ(v.substr(q, kSeparatorLength), separator) << e.key;
        }
        // Unfolded, each line is real text followed by CR LF.
        std::string text = UnfoldMessage(v);
        TStrings lines = SplitLines(text);
        ASSERT_FALSE(lines.empty()) << e.key;
        for (const std::string& line : lines) EXPECT_FALSE(Trim(line).empty()) << e.key;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << e.key;
    }
}

TEST(MessageUnfolding, FollowsTheLookupRules) {
    EXPECT_EQ(UnfoldMessage("plain"), "plain");
    EXPECT_EQ(UnfoldMessage("A\"+#13#10B\"+#13#10"), "A\r\nB\r\n");
    EXPECT_EQ(UnfoldMessage("A\"+#13#10B"), "A\r\nB\r\n");
    EXPECT_EQ(UnfoldMessage("A\"+#1"), "A\r\n");
}

}  // namespace

// Every message key that the programs' sources name must be in the shipped
// file: a key missing there shows the user "ERROR" instead of a message.
TEST_F(EnglishLngMessages, EveryKeyNamedInTheSourcesIsPresent) {
    const Section* s = ini_.Find("Project_Messages");
    ASSERT_NE(s, nullptr);
    const std::regex keyLiteral("\"((?:t|u)[a-z0-9]+_[a-z0-9_]+)\"");
    int found = 0;
    for (const char* folder : {"app", "editor", "export", "packager"}) {
        std::filesystem::path dir = std::filesystem::path(VELKAST_SOURCE_DIR) / folder;
        if (!std::filesystem::is_directory(dir))
            continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
            if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h")
                continue;
            std::string text;
            ASSERT_TRUE(ReadFileBytes(entry.path().string(), text));
            for (std::sregex_iterator it(text.begin(), text.end(), keyLiteral), end; it != end; ++it) {
                ++found;
                EXPECT_NE(FindEntry(*s, (*it)[1].str()), nullptr)
                    << (*it)[1].str() << " named in " << entry.path();
            }
        }
    }
    EXPECT_GT(found, 10);
}
