// Checks that the English and Japanese resource scripts stay in step: the same string
// identifiers, the same printf/FormatMessage placeholders in each pair of texts, and the
// controls and commands the code relies on in the main dialog and the popup menu.
//
// The .rc files are read as text; identifiers may be written as names from resource.h or as
// numbers. The reader understands just enough of the resource-script syntax for these files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifndef TOLVEX_RESOURCE_DIR
#error "TOLVEX_RESOURCE_DIR must name the folder of the resource scripts"
#endif

namespace {

const std::string kResourceDir = TOLVEX_RESOURCE_DIR;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// ---------------------------------------------------------------------------------------------
// Lexer

struct Token {
    enum Kind { Word, String, Punct } kind;
    std::string text;  // for String: the decoded bytes (UTF-8 stays as it is)
};

std::vector<Token> Tokenize(const std::string& src) {
    std::vector<Token> tokens;
    size_t i = 0;
    const size_t n = src.size();
    bool lineStart = true;
    while (i < n) {
        const char c = src[i];
        if (c == '\n') {
            lineStart = true;
            ++i;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (lineStart && c == '#') {  // preprocessor line
            while (i < n && src[i] != '\n') ++i;
            continue;
        }
        lineStart = false;
        if (c == '/' && i + 1 < n && src[i + 1] == '/') {
            while (i < n && src[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && src[i + 1] == '*') {
            const size_t end = src.find("*/", i + 2);
            i = end == std::string::npos ? n : end + 2;
            continue;
        }
        if (c == '"') {
            std::string value;
            ++i;
            while (i < n) {
                const char d = src[i];
                if (d == '"') {
                    if (i + 1 < n && src[i + 1] == '"') {  // "" is a quote inside the text
                        value += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (d == '\\' && i + 1 < n) {
                    const char e = src[i + 1];
                    switch (e) {
                        case 'n': value += '\n'; break;
                        case 't': value += '\t'; break;
                        case 'r': value += '\r'; break;
                        case '\\': value += '\\'; break;
                        case '"': value += '"'; break;
                        default: value += '\\'; value += e; break;
                    }
                    i += 2;
                    continue;
                }
                value += d;
                ++i;
            }
            tokens.push_back({Token::String, value});
            continue;
        }
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            const size_t start = i;
            while (i < n && (std::isalnum(static_cast<unsigned char>(src[i])) || src[i] == '_')) ++i;
            tokens.push_back({Token::Word, src.substr(start, i - start)});
            continue;
        }
        tokens.push_back({Token::Punct, std::string(1, c)});
        ++i;
    }
    return tokens;
}

// ---------------------------------------------------------------------------------------------
// Identifiers

std::map<std::string, long> ReadDefines(const std::string& headerText) {
    // Standard identifiers the scripts use besides those of resource.h.
    std::map<std::string, long> defines = {{"IDOK", 1}, {"IDCANCEL", 2}, {"IDC_STATIC", -1}};
    std::istringstream in(headerText);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string directive, name, value;
        if (words >> directive >> name >> value && directive == "#define") {
            defines[name] = std::stol(value, nullptr, 0);
        }
    }
    return defines;
}

std::optional<long> ResolveId(const std::string& word, const std::map<std::string, long>& defines) {
    if (!word.empty() && std::isdigit(static_cast<unsigned char>(word[0]))) {
        return std::stol(word, nullptr, 0);
    }
    const auto it = defines.find(word);
    if (it == defines.end()) return std::nullopt;
    return it->second;
}

bool IsOpen(const Token& t) { return (t.kind == Token::Word && t.text == "BEGIN") || (t.kind == Token::Punct && t.text == "{"); }
bool IsClose(const Token& t) { return (t.kind == Token::Word && t.text == "END") || (t.kind == Token::Punct && t.text == "}"); }

// Index one past the END that closes the first BEGIN at or after `from`.
size_t EndOfBlock(const std::vector<Token>& tokens, size_t from) {
    size_t i = from;
    while (i < tokens.size() && !IsOpen(tokens[i])) ++i;
    int depth = 0;
    for (; i < tokens.size(); ++i) {
        if (IsOpen(tokens[i])) ++depth;
        if (IsClose(tokens[i]) && --depth == 0) return i + 1;
    }
    return tokens.size();
}

// ---------------------------------------------------------------------------------------------
// The parts of a resource script these tests look at

struct Script {
    std::multimap<long, std::string> strings;  // multimap: a duplicate is a finding too
    std::vector<std::string> unknownIds;       // names resource.h does not define
    std::map<long, std::vector<long>> dialogControls;
    std::map<long, std::vector<long>> menuCommands;
};

const std::set<std::string> kControlKeywords = {
    "CONTROL", "PUSHBUTTON", "DEFPUSHBUTTON", "LTEXT", "CTEXT", "RTEXT", "EDITTEXT", "GROUPBOX",
    "CHECKBOX", "AUTOCHECKBOX", "RADIOBUTTON", "AUTORADIOBUTTON", "COMBOBOX", "LISTBOX", "ICON",
    "SCROLLBAR", "STATE3", "AUTO3STATE", "PUSHBOX"};

Script ParseScript(const std::string& text, const std::map<std::string, long>& defines) {
    const std::vector<Token> t = Tokenize(text);
    Script script;
    auto id = [&](const Token& tok) -> std::optional<long> {
        auto value = ResolveId(tok.text, defines);
        if (!value) script.unknownIds.push_back(tok.text);
        return value;
    };
    size_t i = 0;
    while (i < t.size()) {
        const Token& tok = t[i];
        if (tok.kind == Token::Word && tok.text == "STRINGTABLE") {
            size_t j = i + 1;
            while (j < t.size() && !IsOpen(t[j])) ++j;
            const size_t end = EndOfBlock(t, i);
            for (++j; j + 1 < end; ++j) {
                if (t[j].kind != Token::Word) continue;
                size_t k = j + 1;
                if (t[k].kind == Token::Punct && t[k].text == ",") ++k;
                if (k < end && t[k].kind == Token::String) {
                    if (auto value = id(t[j])) script.strings.emplace(*value, t[k].text);
                    j = k;
                }
            }
            i = end;
            continue;
        }
        const bool isDialog = tok.kind == Token::Word && (tok.text == "DIALOGEX" || tok.text == "DIALOG");
        const bool isMenu = tok.kind == Token::Word && (tok.text == "MENU" || tok.text == "MENUEX");
        if ((isDialog || isMenu) && i > 0 && t[i - 1].kind == Token::Word) {
            const std::optional<long> resourceId = ResolveId(t[i - 1].text, defines);
            const size_t end = EndOfBlock(t, i);
            size_t j = i + 1;
            while (j < end && !IsOpen(t[j])) ++j;  // skip the header statements
            std::vector<long> ids;
            for (; j < end; ++j) {
                if (t[j].kind != Token::Word) continue;
                if (isDialog && kControlKeywords.count(t[j].text) != 0) {
                    // KEYWORD ["text",] id, ...
                    size_t k = j + 1;
                    if (k < end && t[k].kind == Token::String) k += 2;
                    if (k < end) {
                        if (auto value = id(t[k])) ids.push_back(*value);
                    }
                } else if (isMenu && t[j].text == "MENUITEM" && j + 3 < end && t[j + 1].kind == Token::String) {
                    // MENUITEM "text", id
                    if (auto value = id(t[j + 3])) ids.push_back(*value);
                }
            }
            if (resourceId) (isDialog ? script.dialogControls : script.menuCommands)[*resourceId] = ids;
            i = end;
            continue;
        }
        ++i;
    }
    return script;
}

// Placeholders that a caller fills in: %s, %d and the numbered %1, %2, ... ("%%" is a percent sign).
std::multiset<std::string> Placeholders(const std::string& text) {
    std::multiset<std::string> found;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%') continue;
        const char next = text[i + 1];
        if (next == '%') {
            ++i;
        } else if (next == 's' || next == 'd') {
            found.insert(text.substr(i, 2));
            ++i;
        } else if (std::isdigit(static_cast<unsigned char>(next))) {
            size_t j = i + 1;
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
            found.insert(text.substr(i, j - i));
            i = j - 1;
        }
    }
    return found;
}

std::set<long> Keys(const std::multimap<long, std::string>& strings) {
    std::set<long> keys;
    for (const auto& entry : strings) keys.insert(entry.first);
    return keys;
}

// ---------------------------------------------------------------------------------------------

struct Language {
    const char* name;
    const char* file;
};

const Language kLanguages[] = {
    {"English", "TolvexDesktopWin.en-US.rc"},
    {"Japanese", "TolvexDesktopWin.ja-JP.rc"},
};

class ResourceScripts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const auto defines = ReadDefines(ReadFile(kResourceDir + "/resource.h"));
        for (const Language& language : kLanguages) {
            const std::string text = ReadFile(kResourceDir + "/" + language.file);
            texts_[language.name] = text;
            scripts_[language.name] = ParseScript(text, defines);
        }
    }
    static const Script& Of(const Language& language) { return scripts_.at(language.name); }
    static const std::string& TextOf(const Language& language) { return texts_.at(language.name); }

    static inline std::map<std::string, Script> scripts_;
    static inline std::map<std::string, std::string> texts_;
};

TEST_F(ResourceScripts, FilesAreUtf8ScriptsWithTheirLanguage) {
    const std::map<std::string, std::string> expectedLanguage = {
        {"English", "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US"},
        {"Japanese", "LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT"},
    };
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.name);
        const std::string& text = TextOf(language);
        ASSERT_FALSE(text.empty()) << "cannot read " << language.file;
        const size_t pragma = text.find("#pragma code_page(65001)");
        const size_t tag = text.find(expectedLanguage.at(language.name));
        ASSERT_NE(pragma, std::string::npos);
        ASSERT_NE(tag, std::string::npos);
        EXPECT_LT(pragma, text.find("STRINGTABLE"));
        EXPECT_LT(tag, text.find("STRINGTABLE"));
    }
}

TEST_F(ResourceScripts, EveryIdentifierIsKnown) {
    for (const Language& language : kLanguages) {
        EXPECT_TRUE(Of(language).unknownIds.empty())
            << language.name << " uses identifiers resource.h lacks, e.g. " << Of(language).unknownIds.front();
    }
}

TEST_F(ResourceScripts, NoStringIsDefinedTwice) {
    for (const Language& language : kLanguages) {
        const Script& script = Of(language);
        EXPECT_EQ(Keys(script.strings).size(), script.strings.size()) << language.name;
    }
}

TEST_F(ResourceScripts, BothLanguagesDefineTheSameStrings) {
    EXPECT_EQ(Keys(Of(kLanguages[0]).strings), Keys(Of(kLanguages[1]).strings));
}

TEST_F(ResourceScripts, TheProgramsStringsArePresent) {
    std::vector<long> required = {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 129, 145, 146};
    for (long fileError = 61856; fileError <= 61870; ++fileError) required.push_back(fileError);

    for (const Language& language : kLanguages) {
        const auto keys = Keys(Of(language).strings);
        for (long id : required) {
            EXPECT_EQ(keys.count(id), 1u) << language.name << " lacks string " << id;
        }
    }
}

TEST_F(ResourceScripts, TranslationsKeepTheirPlaceholders) {
    const Script& english = Of(kLanguages[0]);
    const Script& japanese = Of(kLanguages[1]);
    for (const auto& [id, text] : english.strings) {
        const auto other = japanese.strings.find(id);
        if (other == japanese.strings.end()) continue;  // reported by the set comparison
        EXPECT_EQ(Placeholders(text), Placeholders(other->second)) << "string " << id;
    }
}

TEST_F(ResourceScripts, FileErrorTextsNameTheFile) {
    for (const Language& language : kLanguages) {
        for (long id = 61857; id <= 61870; ++id) {
            const auto it = Of(language).strings.find(id);
            ASSERT_NE(it, Of(language).strings.end()) << language.name << " " << id;
            EXPECT_EQ(Placeholders(it->second), std::multiset<std::string>{"%1"}) << language.name << " " << id;
        }
    }
}

TEST_F(ResourceScripts, NamesUsedByTheCodeAreNotTranslated) {
    // 104 is the phonebook's file name and 105 the dialer entry's name: both are looked up on
    // disk, so a translation would make the program lose its entry.
    for (long id : {104L, 105L}) {
        const auto en = Of(kLanguages[0]).strings.find(id);
        const auto ja = Of(kLanguages[1]).strings.find(id);
        ASSERT_NE(en, Of(kLanguages[0]).strings.end());
        ASSERT_NE(ja, Of(kLanguages[1]).strings.end());
        EXPECT_EQ(en->second, ja->second) << "string " << id;
    }
}

struct Binding {
    const char* what;
    long resource;
    std::vector<long> ids;
    bool menu;
};

TEST_F(ResourceScripts, MainDialogAndPopupMenuHoldWhatTheCodeUses) {
    const Binding bindings[] = {
        {"main dialog: Settings, Connect, activity indicator, Quit", 102, {1002, 1004, 1003, 2}, false},
        {"popup menu: Show, Quit", 147, {32773, 2}, true},
    };
    for (const Language& language : kLanguages) {
        for (const Binding& binding : bindings) {
            SCOPED_TRACE(std::string(language.name) + ", " + binding.what);
            const auto& table = binding.menu ? Of(language).menuCommands : Of(language).dialogControls;
            const auto found = table.find(binding.resource);
            ASSERT_NE(found, table.end());
            for (long id : binding.ids) {
                EXPECT_EQ(std::count(found->second.begin(), found->second.end(), id), 1) << "id " << id;
            }
        }
    }
}

// The reader itself, on a script small enough to see at a glance.
TEST(ResourceScriptReader, ReadsTablesDialogsAndMenus) {
    const auto defines = ReadDefines("#define IDS_A 7\n#define IDC_X 0x28\n#define IDD_D 9\n#define IDR_M  5\n");
    const std::string text =
        "#include \"x.h\"\n"
        "// STRINGTABLE in a comment is ignored\n"
        "STRINGTABLE\nBEGIN\n"
        "    IDS_A \"line\\none \"\"quoted\"\" %1\"\n"
        "    8, \"/* not a comment */\"\n"
        "END\n"
        "IDD_D DIALOGEX 0, 0, 10, 10\nCAPTION \"c\"\nBEGIN\n"
        "    PUSHBUTTON \"b\",IDC_X,1,2,3,4\n"
        "    CONTROL \"\",41,\"SysAnimate32\",WS_BORDER,1,2,3,4\n"
        "END\n"
        "IDR_M MENU\nBEGIN\n  POPUP \"p\"\n  BEGIN\n    MENUITEM \"s\", 3\n    MENUITEM SEPARATOR\n    MENUITEM \"q\", IDCANCEL\n  END\nEND\n";
    const Script script = ParseScript(text, defines);

    ASSERT_EQ(script.strings.size(), 2u);
    EXPECT_EQ(script.strings.find(7)->second, "line\none \"quoted\" %1");
    EXPECT_EQ(script.strings.find(8)->second, "/* not a comment */");
    EXPECT_EQ(script.dialogControls.at(9), (std::vector<long>{40, 41}));
    EXPECT_EQ(script.menuCommands.at(5), (std::vector<long>{3, 2}));
    EXPECT_TRUE(script.unknownIds.empty());
}

TEST(ResourceScriptReader, FindsPlaceholders) {
    const struct {
        const char* text;
        std::multiset<std::string> expected;
    } cases[] = {
        {"plain", {}},
        {"%1 was not found.", {"%1"}},
        {"%s and %d and %s", {"%s", "%s", "%d"}},
        {"100%% sure, %12", {"%12"}},
        {"%", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Placeholders(c.text), c.expected) << c.text;
    }
}

}  // namespace
