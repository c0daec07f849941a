// Random names against the profile name rule, on the host under sanitizers: every name the
// rule lets through must make one plain file directly in the profile folder, under the name
// the list shows, and never a device; names the name box can type are not refused for nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <set>
#include <string>
#include <string_view>

#include "profiles/ProfileRules.h"

namespace
{
constexpr std::size_t kFolder = 40;  // a folder path of a common length, e.g. "C:\Program Files\Kinetra\config"

// Windows' own reading of the file name `name` + ".reg" in the folder, stated apart from the rule.
bool MakesOnePlainFile(const std::string& name)
{
    if (name.empty() || kFolder + 1 + name.size() + 4 + 1 > kProfilePathBuffer)
        return false;
    for (unsigned char c : name) {
        // Below 0x20 is never in a file name; the others separate folders, name streams or are wildcards.
        if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    }
    // The list shows a file up to its first dot: a profile must be loadable by that name.
    if (name.find('.') != std::string::npos)
        return false;
    // A device name is recognised up to the extension, trailing spaces ignored, case ignored,
    // and COM and LPT take the digits 0 to 9 and the superscripts 1, 2, 3 (0xB9, 0xB2, 0xB3).
    std::string stem = name;
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); });
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (stem == device)
            return false;
    const std::string_view digits("0123456789\xB9\xB2\xB3");
    if (stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
        digits.find(stem[3]) != std::string_view::npos)
        return false;
    return true;
}

const std::set<std::string> kRuleTexts = {
    "Nothing input!", "A Profile Name may not contain a dot, \\ / : * ? \" < > | or control characters!",
    "A Profile Name may not end with a space!", "The Profile Name is too long!"};

bool IsRuleText(const std::string& text, const std::string& name)
{
    return kRuleTexts.count(text) == 1 ||
           text == "\"" + name + "\" is a name Windows keeps for a device; please choose another Profile Name!";
}

// A random name of one of the kinds a person might type, paste or a program might hand over.
class CNameSource
{
public:
    explicit CNameSource(unsigned seed) : m_random(seed) {}

    std::string Next()
    {
        switch (Below(6)) {
        case 0: return AnyBytes(Below(40));
        case 1: return FromAlphabet(kTypable, 1 + Below(60));
        case 2: return Device() + Suffix();
        case 3: return Pieces();
        case 4: return FromAlphabet(kTypable, kProfilePathBuffer - kFolder - 12 + Below(12));
        default: return AnyBytes(200 + Below(400));
        }
    }

private:
    static constexpr std::string_view kTypable = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

    std::size_t Below(std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(m_random); }

    std::string AnyBytes(std::size_t length)
    {
        std::string text(length, '\0');
        for (char& c : text)
            c = static_cast<char>(Below(256));
        return text;
    }

    std::string FromAlphabet(std::string_view alphabet, std::size_t length)
    {
        std::string text(length, '\0');
        for (char& c : text)
            c = alphabet[Below(alphabet.size())];
        return text;
    }

    std::string Device()
    {
        static constexpr std::array<std::string_view, 8> kStems = {"CON", "prn", "Aux",    "nul",
                                                                   "COM", "lpt", "CONIN$", "conout$"};
        std::string stem(kStems[Below(kStems.size())]);
        if (stem.size() == 3 && (stem[0] == 'C' || stem[0] == 'l') && stem != "CON")
            stem += "0123456789\xB9\xB2\xB3"[Below(13)];
        if (stem == "CON" && Below(2))
            stem = "COM" + std::string(1, "19\xB9\xB3"[Below(4)]);
        return stem;
    }

    std::string Suffix()
    {
        static constexpr std::array<std::string_view, 8> kSuffixes = {"", " ", "  ", ".", ".txt", "0", ":", "\t"};
        return std::string(kSuffixes[Below(kSuffixes.size())]);
    }

    // Folder steps, separators and the characters of streams and wildcards between plain words.
    std::string Pieces()
    {
        static constexpr std::array<std::string_view, 14> kPieces = {"..", ".", "\\", "/", ":", "*",  "?",
                                                                     "\"", "<", ">",  "|", " ", "C:", "\\\\?\\"};
        std::string text;
        for (std::size_t i = 0, count = 1 + Below(6); i < count; ++i)
            text += Below(2) ? std::string(kPieces[Below(kPieces.size())]) : FromAlphabet(kTypable, 1 + Below(4));
        return text;
    }

    std::mt19937 m_random;
};
}

TEST(ProfileNameFuzz, EveryNameTheRuleTakesMakesOnePlainFileInTheFolder)
{
    std::size_t taken = 0;
    for (unsigned seed : {1u, 2u, 3u, 1252u}) {
        CNameSource source(seed);
        for (int i = 0; i < 25000; ++i) {
            const std::string name = source.Next();
            const std::string problem = ProfileNameProblem(name, kFolder);
            if (problem.empty()) {
                ++taken;
                ASSERT_TRUE(MakesOnePlainFile(name)) << "seed " << seed << " case " << i << ": \"" << name << "\"";
            } else {
                ASSERT_TRUE(IsRuleText(problem, name)) << problem;
            }
        }
    }
    EXPECT_GT(taken, 10000u) << "the rule takes hardly any name";
}

TEST(ProfileNameFuzz, NamesOfLettersAndDigitsAreRefusedOnlyWhenWindowsWouldNotTakeThem)
{
    CNameSource source(7);
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        std::string name(1 + random() % 250, 'A');
        for (char& c : name)
            c = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"[random() % 62];
        if (i % 4 == 0)
            name.resize(4);  // short names meet the devices COM1, LPT9, AUXx
        EXPECT_EQ(MakesOnePlainFile(name), ProfileNameProblem(name, kFolder).empty()) << name;
    }
    for (const char* name : {"COM1", "lpt0", "Com\xB9", "LPT\xB3", "conin$", "CONOUT$", "nul  ", "Aux"})
        EXPECT_NE("", ProfileNameProblem(name, kFolder)) << name;
}

TEST(ProfileNameFuzz, CopyNamesOfAnyFileNameAreBuiltWithoutFault)
{
    std::mt19937 random(11);
    const char* const kNumbers[] = {"0", "1", "-1", "2147483646", "2147483647", "-2147483648", "99999999999999999999",
                                    ""};
    for (int i = 0; i < 20000; ++i) {
        std::string name;
        switch (random() % 3) {
        case 0: name = "Copy (" + std::string(kNumbers[random() % 8]) + ") of X.reg"; break;
        case 1: name = std::string("Copy of Copy (").substr(0, random() % 15) + ")X.reg"; break;
        default:
            for (std::size_t n = random() % 30; n > 0; --n)
                name += "Copy ()of X.reg"[random() % 15];
        }
        const std::string next = NextCopyName(name);
        EXPECT_NE(name, next);
        EXPECT_TRUE(next.starts_with("Copy ")) << name << " -> " << next;
    }
    EXPECT_EQ("Copy (2147483648) of X.reg", NextCopyName("Copy (2147483647) of X.reg"));
}
