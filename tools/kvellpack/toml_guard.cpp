#include "toml_guard.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kvellpack {

namespace {

// The characters toml++ 3.3.0 cannot classify as whitespace or not.
bool tripsWhitespaceTest(uint32_t cp)
{
    return (cp >= 0xA1 && cp <= 0x499) || (cp >= 0x2C5E && cp <= 0x3057 && cp != 0x3000) ||
           (cp >= 0xFB26 && cp <= 0xFEFE);
}

// The code point at text[i] and its length in bytes; length 0 for bytes that
// are not UTF-8.
uint32_t decode(const std::string& text, size_t i, size_t* length)
{
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    *length = 0;
    if (n == 0 || i + n > text.size())
        return 0;
    uint32_t cp = n == 1 ? c : c & (0x7Fu >> n);
    for (size_t k = 1; k < n; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (next & 0x3Fu);
    }
    *length = n;
    return cp;
}

std::string describe(const std::string& text, size_t i, size_t length, uint32_t cp)
{
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
    return "the character '" + text.substr(i, length) + "' (" + code + ")";
}

enum class Context { Outside, Comment, Basic, Literal, MultiBasic, MultiLiteral };

struct Scanner {
    const std::string& text;
    size_t i = 0;
    int line = 1;

    bool startsWith(const char* what) const { return text.compare(i, std::char_traits<char>::length(what), what) == 0; }
    // The length of the run of c at i.
    size_t run(char c) const
    {
        size_t n = 0;
        while (i + n < text.size() && text[i + n] == c)
            ++n;
        return n;
    }
};

// Where a quote outside strings opens one: where a key or a value begins. In a
// malformed word ("1='x") it does not: the reader reads such a word on to the
// next blank, bracket, comma or "#", testing each character.
class Structure {
public:
    // Feeds one ASCII character outside strings and comments; true when it is
    // a quote that opens a string (then call stringEnded() at its end).
    bool opensString(char c)
    {
        if (word_ != Word::None) {
            bool ends = word_ == Word::Value ? std::strchr(" \t\r\n]},#", c) != nullptr : !isBareKeyChar(c);
            if (!ends)
                return false;
            word_ = Word::None;
        }
        switch (c) {
        case ' ': case '\t': case '\r': case '#':
            return false;
        case '\n':
            if (nest_.empty())
                expect_ = Expect::Key;
            return false;
        case '"': case '\'':
            if (expect_ == Expect::AfterValue) {
                word_ = Word::Value;
                return false;
            }
            return true;
        case '=':
            if (expect_ == Expect::Key)
                expect_ = Expect::Value;
            return false;
        case '[':
            if (expect_ == Expect::Value)
                nest_.push_back('[');
            else if (expect_ == Expect::Key && nest_.empty())
                nest_.push_back('h');  // a table header; "[[" pushes once
            return false;
        case '{':
            if (expect_ == Expect::Value) {
                nest_.push_back('{');
                expect_ = Expect::Key;
            }
            return false;
        case ']': case '}':
            if (!nest_.empty() && nest_.back() == (c == '}' ? '{' : nest_.back() == 'h' ? 'h' : '[')) {
                nest_.pop_back();
                expect_ = Expect::AfterValue;
            }
            return false;
        case ',':
            if (!nest_.empty())
                expect_ = nest_.back() == '{' ? Expect::Key : Expect::Value;
            return false;
        case '.':
            return false;
        default:
            word_ = expect_ == Expect::Key && isBareKeyChar(c) ? Word::Key : Word::Value;
            return false;
        }
    }

    void stringEnded()
    {
        if (expect_ == Expect::Value)
            expect_ = Expect::AfterValue;
    }

private:
    enum class Expect { Key, Value, AfterValue };
    enum class Word { None, Key, Value };
    static bool isBareKeyChar(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    }
    Expect expect_ = Expect::Key;
    Word word_ = Word::None;
    std::vector<char> nest_;  // '[' array, '{' inline table, 'h' table header
};

}  // namespace

bool checkTomlText(const std::string& text, int* line, std::string* why)
{
    Scanner s{text};
    Context context = Context::Outside;
    Structure structure;
    if (s.startsWith("\xEF\xBB\xBF"))
        s.i = 3;  // a byte order mark, which the reader skips
    while (s.i < text.size()) {
        char c = text[s.i];
        size_t length = 1;
        uint32_t cp = static_cast<unsigned char>(c);
        if (cp >= 0x80) {
            cp = decode(text, s.i, &length);
            if (length == 0)
                return true;
        }
        if (c == '\n')
            ++s.line;
        switch (context) {
        case Context::Outside:
            if (cp >= 0x80) {
                *line = s.line;
                *why = describe(text, s.i, length, cp) + " can only stand in a string or a comment";
                return false;
            }
            if (bool opens = structure.opensString(c); c == '#') {
                context = Context::Comment;
            } else if (opens) {
                bool triple = s.run(c) >= 3;
                context = c == '"' ? (triple ? Context::MultiBasic : Context::Basic)
                                   : (triple ? Context::MultiLiteral : Context::Literal);
                if (triple)
                    length = 3;
            }
            break;
        case Context::Comment:
            if (c == '\n') {
                context = Context::Outside;
                structure.opensString(c);
            }
            break;
        case Context::Basic:
            if (c == '\\' && s.i + 1 < text.size() && text[s.i + 1] != '\n' &&
                static_cast<unsigned char>(text[s.i + 1]) < 0x80)
                length = 2;  // an escaped quote does not end the string
            else if (c == '"' || c == '\n') {
                context = Context::Outside;
                structure.stringEnded();
            }
            break;
        case Context::Literal:
            if (c == '\'' || c == '\n') {
                context = Context::Outside;
                structure.stringEnded();
            }
            break;
        case Context::MultiBasic:
            if (c == '\\') {
                // The reader tests the next character, and after a line-ending
                // backslash each following one up to the first that is not
                // blank to it, which may be a non-ASCII one (U+FEFF, say).
                size_t next = s.i + 1;
                while (next < text.size()) {
                    char t = text[next];
                    if (t == ' ' || t == '\t' || t == '\r' || t == '\n') {
                        s.line += t == '\n' ? 1 : 0;
                        ++next;
                        continue;
                    }
                    if (static_cast<unsigned char>(t) < 0x80)
                        break;
                    size_t n = 0;
                    uint32_t tested = decode(text, next, &n);
                    if (n == 0)
                        return true;
                    if (tripsWhitespaceTest(tested)) {
                        *line = s.line;
                        *why = describe(text, next, n, tested) +
                               " cannot follow a backslash in a \"\"\" string, where the TOML reader misreads it; "
                               "write it as an escape (\\uXXXX) or move it off the backslash";
                        return false;
                    }
                    next += n;
                }
                if (next == text.size())
                    return true;
                // An escaped character is part of the escape; after a line
                // break the text goes on with that character.
                length = next == s.i + 1 ? 2 : next - s.i;
            } else if (c == '"' && s.run('"') >= 3) {
                length = s.run('"') <= 5 ? s.run('"') : 3;  // up to two quotes belong to the text
                context = Context::Outside;
                structure.stringEnded();
            }
            break;
        case Context::MultiLiteral:
            if (c == '\'' && s.run('\'') >= 3) {
                length = s.run('\'') <= 5 ? s.run('\'') : 3;
                context = Context::Outside;
                structure.stringEnded();
            }
            break;
        }
        s.i += length;
    }
    return true;
}

}  // namespace kvellpack
