#include "platform/inifile.h"

#include <charconv>
#include <cmath>

namespace {

char& DecimalSeparatorSetting()
{
    static char separator = '.';
    return separator;
}

enum class TLineKind { Blank, Comment, Header, Key };

struct TParsedLine {
    TLineKind Kind = TLineKind::Blank;
    std::string Name;  // section name or key
    std::string Value; // raw value (trimmed) of a key line
};

TParsedLine ParseLine(std::string_view line)
{
    TParsedLine r;
    std::string t = Trim(line);
    if (t.empty())
        return r;
    if (t[0] == ';') {
        r.Kind = TLineKind::Comment;
        return r;
    }
    if (t[0] == '[') {
        r.Kind = TLineKind::Header;
        std::size_t close = t.find(']');
        r.Name = Trim(std::string_view(t).substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return r;
    }
    r.Kind = TLineKind::Key;
    std::size_t eq = t.find('=');
    if (eq == std::string::npos) {
        r.Name = t;
    } else {
        r.Name = Trim(std::string_view(t).substr(0, eq));
        r.Value = Trim(std::string_view(t).substr(eq + 1));
    }
    return r;
}

std::string UnquoteAndCut(std::string value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    if (value.size() > IniMaxValueLength)
        value.resize(IniMaxValueLength);
    return value;
}

// The format holds one line per key; a line break would split the value
// and turn its second half into a key of its own.
std::string OneLine(std::string_view text)
{
    std::string r(text);
    for (auto& c : r)
        if (c == '\r' || c == '\n')
            c = ' ';
    return r;
}

bool ContainsName(const TStrings& names, std::string_view name)
{
    for (const auto& n : names)
        if (SameText(n, name))
            return true;
    return false;
}

} // namespace

char IniDecimalSeparator() { return DecimalSeparatorSetting(); }

void SetIniDecimalSeparator(char separator) { DecimalSeparatorSetting() = separator; }

bool IniParseInteger(std::string_view text, std::int32_t& value)
{
    std::string t = Trim(text);
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        std::string_view digits = std::string_view(t).substr(2);
        if (digits.size() > 8)
            return false;
        std::uint32_t u = 0;
        auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), u, 16);
        if (ec != std::errc() || p != digits.data() + digits.size())
            return false;
        value = static_cast<std::int32_t>(u);
        return true;
    }
    std::string_view s = t;
    if (!s.empty() && s[0] == '+')
        s.remove_prefix(1);
    if (s.empty() || s[0] == '+')
        return false;
    std::int32_t v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 10);
    if (ec != std::errc() || p != s.data() + s.size())
        return false;
    value = v;
    return true;
}

bool IniParseFloat(std::string_view text, double& value)
{
    std::string t = Trim(text);
    std::size_t comma = t.find(',');
    if (comma != std::string::npos) {
        // A decimal comma, written under such a locale; a text with both
        // marks or several commas is no plain number.
        if (t.find('.') != std::string::npos || t.find(',', comma + 1) != std::string::npos)
            return false;
        t[comma] = '.';
    }
    std::string_view s = t;
    if (!s.empty() && s[0] == '+')
        s.remove_prefix(1);
    if (s.empty() || s[0] == '+')
        return false;
    double v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (ec != std::errc() || p != s.data() + s.size() || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

std::string IniFormatFloat(double value, char decimalSeparator)
{
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    if (ec != std::errc())
        return "0";
    std::string s(buf, p);
    std::string r;
    std::size_t e = s.find('e');
    std::string mantissa = s.substr(0, e);
    for (auto& c : mantissa)
        if (c == '.')
            c = decimalSeparator;
    r = mantissa;
    if (e != std::string::npos) {
        // Short exponent form: "1E-5", "1.5E20".
        std::string exp = s.substr(e + 1);
        bool negative = !exp.empty() && exp[0] == '-';
        if (!exp.empty() && (exp[0] == '-' || exp[0] == '+'))
            exp.erase(0, 1);
        while (exp.size() > 1 && exp[0] == '0')
            exp.erase(0, 1);
        r += 'E';
        if (negative)
            r += '-';
        r += exp;
    }
    return r;
}

// ---- TIniData --------------------------------------------------------------

bool TIniData::LoadFromFile(const std::string& fileName)
{
    std::string data;
    if (!ReadFileBytes(fileName, data)) {
        Lines.clear();
        return false;
    }
    SetText(data);
    return true;
}

bool TIniData::SaveToFile(const std::string& fileName) const
{
    return WriteFileAtomic(fileName, Text());
}

void TIniData::SetText(std::string_view text) { Lines = SplitLines(text); }

std::string TIniData::Text() const { return JoinLines(Lines); }

int TIniData::FindSection(std::string_view section) const
{
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        TParsedLine pl = ParseLine(Lines[i]);
        if (pl.Kind == TLineKind::Header && SameText(pl.Name, section))
            return static_cast<int>(i);
    }
    return -1;
}

int TIniData::SectionEnd(int header) const
{
    int n = static_cast<int>(Lines.size());
    for (int i = header + 1; i < n; ++i)
        if (ParseLine(Lines[i]).Kind == TLineKind::Header)
            return i;
    return n;
}

int TIniData::FindKey(int header, std::string_view key) const
{
    int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        TParsedLine pl = ParseLine(Lines[i]);
        if (pl.Kind == TLineKind::Key && SameText(pl.Name, key))
            return i;
    }
    return -1;
}

bool TIniData::SectionExists(std::string_view section) const { return FindSection(section) >= 0; }

bool TIniData::ValueExists(std::string_view section, std::string_view key) const
{
    int h = FindSection(section);
    return h >= 0 && FindKey(h, key) >= 0;
}

std::string TIniData::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const
{
    int h = FindSection(section);
    if (h < 0)
        return std::string(def);
    int k = FindKey(h, key);
    if (k < 0)
        return std::string(def);
    return UnquoteAndCut(ParseLine(Lines[k]).Value);
}

TStrings TIniData::ReadSections() const
{
    TStrings r;
    for (const auto& line : Lines) {
        TParsedLine pl = ParseLine(line);
        if (pl.Kind == TLineKind::Header && !ContainsName(r, pl.Name))
            r.push_back(pl.Name);
    }
    return r;
}

TStrings TIniData::ReadSection(std::string_view section) const
{
    TStrings r;
    int h = FindSection(section);
    if (h < 0)
        return r;
    int end = SectionEnd(h);
    for (int i = h + 1; i < end; ++i) {
        TParsedLine pl = ParseLine(Lines[i]);
        if (pl.Kind == TLineKind::Key && !ContainsName(r, pl.Name))
            r.push_back(pl.Name);
    }
    return r;
}

void TIniData::AddSection(std::string_view section)
{
    if (FindSection(section) >= 0)
        return;
    if (!Lines.empty() && !Trim(Lines.back()).empty())
        Lines.emplace_back();
    Lines.push_back("[" + OneLine(section) + "]");
}

void TIniData::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    std::string line = OneLine(key) + "=" + OneLine(value);
    int h = FindSection(section);
    if (h < 0) {
        AddSection(section);
        Lines.push_back(line);
        return;
    }
    int k = FindKey(h, key);
    if (k >= 0) {
        // Keep the key as first spelled in the file.
        Lines[k] = ParseLine(Lines[k]).Name + "=" + OneLine(value);
        return;
    }
    int end = SectionEnd(h);
    int last = h;
    for (int i = h + 1; i < end; ++i)
        if (ParseLine(Lines[i]).Kind == TLineKind::Key)
            last = i;
    Lines.insert(Lines.begin() + last + 1, line);
}

bool TIniData::DeleteKey(std::string_view section, std::string_view key)
{
    int h = FindSection(section);
    if (h < 0)
        return false;
    int k = FindKey(h, key);
    if (k < 0)
        return false;
    Lines.erase(Lines.begin() + k);
    return true;
}

bool TIniData::EraseSection(std::string_view section)
{
    int h = FindSection(section);
    if (h < 0)
        return false;
    Lines.erase(Lines.begin() + h, Lines.begin() + SectionEnd(h));
    return true;
}

// ---- file functions --------------------------------------------------------

std::string IniReadString(const std::string& fileName, std::string_view section,
                          std::string_view key, std::string_view def)
{
    TIniData d;
    d.LoadFromFile(fileName);
    return d.ReadString(section, key, def);
}

std::int32_t IniReadInteger(const std::string& fileName, std::string_view section,
                            std::string_view key, std::int32_t def)
{
    TIniData d;
    d.LoadFromFile(fileName);
    if (!d.ValueExists(section, key))
        return def;
    std::int32_t v = def;
    if (!IniParseInteger(d.ReadString(section, key, ""), v))
        return def;
    return v;
}

bool IniReadBool(const std::string& fileName, std::string_view section,
                 std::string_view key, bool def)
{
    return IniReadInteger(fileName, section, key, def ? 1 : 0) != 0;
}

double IniReadFloat(const std::string& fileName, std::string_view section,
                    std::string_view key, double def)
{
    double v = def;
    if (!IniParseFloat(IniReadString(fileName, section, key, ""), v))
        return def;
    return v;
}

namespace {

template <class F>
bool ModifyFile(const std::string& fileName, F change)
{
    TIniData d;
    d.LoadFromFile(fileName);
    if (!change(d))
        return false;
    return d.SaveToFile(fileName);
}

} // namespace

bool IniWriteString(const std::string& fileName, std::string_view section,
                    std::string_view key, std::string_view value)
{
    return ModifyFile(fileName, [&](TIniData& d) {
        d.WriteString(section, key, value);
        return true;
    });
}

bool IniWriteInteger(const std::string& fileName, std::string_view section,
                     std::string_view key, std::int32_t value)
{
    return IniWriteString(fileName, section, key, std::to_string(value));
}

bool IniWriteBool(const std::string& fileName, std::string_view section,
                  std::string_view key, bool value)
{
    return IniWriteString(fileName, section, key, value ? "1" : "0");
}

bool IniWriteFloat(const std::string& fileName, std::string_view section,
                   std::string_view key, double value)
{
    return IniWriteString(fileName, section, key, IniFormatFloat(value, IniDecimalSeparator()));
}

bool IniDeleteKey(const std::string& fileName, std::string_view section, std::string_view key)
{
    return ModifyFile(fileName, [&](TIniData& d) { return d.DeleteKey(section, key); });
}

bool IniEraseSection(const std::string& fileName, std::string_view section)
{
    return ModifyFile(fileName, [&](TIniData& d) { return d.EraseSection(section); });
}

TStrings IniReadSections(const std::string& fileName)
{
    TIniData d;
    d.LoadFromFile(fileName);
    return d.ReadSections();
}

TStrings IniReadSection(const std::string& fileName, std::string_view section)
{
    TIniData d;
    d.LoadFromFile(fileName);
    return d.ReadSection(section);
}

bool IniSectionExists(const std::string& fileName, std::string_view section)
{
    TIniData d;
    d.LoadFromFile(fileName);
    return d.SectionExists(section);
}

bool IniValueExists(const std::string& fileName, std::string_view section, std::string_view key)
{
    TIniData d;
    d.LoadFromFile(fileName);
    return d.ValueExists(section, key);
}
