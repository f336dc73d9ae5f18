#include "list_values.h"

#include "fs/text_buffer.h"
#include "fs/wide.h"
#include "fs/command_line.h"

namespace kvellpack {

namespace {

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

// "<kind><required><value>": a wrong second character would silently shift the
// value ("Alib.jar" reads as an optional "ib.jar"), so it must be 0 or 1.
bool checkClassPathEntry(const std::string& entry, std::string* error)
{
    if (entry.size() < 2)
        return fail(error, "class path entry '" + entry + "' is too short (kind letter, 0 or 1, value)");
    if (std::string("ADES").find(entry[0]) == std::string::npos)
        return fail(error, "class path entry '" + entry + "' has the unknown kind '" + entry.substr(0, 1) +
                               "' (use A, D, E or S)");
    if (entry[1] != '0' && entry[1] != '1')
        return fail(error, "class path entry '" + entry + "' needs 0 (optional) or 1 (required) after its kind letter");
    return true;
}

bool checkSearchEntry(const std::string& entry, std::string* error)
{
    if (std::string("ABEMRSY").find(entry[0]) == std::string::npos)
        return fail(error, "search sequence entry '" + entry + "' has the unknown type '" + entry.substr(0, 1) +
                               "' (use A, B, E, M, R, S or Y)");
    return true;
}

bool checkListItem(ValueKind kind, const std::string& item, std::string* error)
{
    if (kind == ValueKind::ClassPath)
        return checkClassPathEntry(item, error);
    if (kind == ValueKind::SearchSequence)
        return checkSearchEntry(item, error);
    return true;
}

// What the launcher's splitter makes of the text: the same words, or false on a
// quote that is not closed.
bool splitLikeLauncher(const std::string& text, ArgList* words)
{
    return trySplitCommandLine(wideFromUtf8(text).c_str(), *words);
}

// The launcher expands placeholders before it splits the words, so a word with
// a placeholder is quoted too: the directory it names may contain blanks.
bool needsQuotes(const std::string& word)
{
    return word.find_first_of(" \"'%") != std::string::npos || word.find("${") != std::string::npos;
}

bool quoteWord(const std::string& word, std::string* out, std::string* error)
{
    bool dquote = word.find('"') != std::string::npos;
    bool squote = word.find('\'') != std::string::npos;
    if (word.empty()) {
        *out = "\"\"";
    } else if (!needsQuotes(word)) {
        *out = word;
    } else if (!dquote) {
        *out = "\"" + word + "\"";
    } else if (!squote) {
        *out = "'" + word + "'";
    } else {
        // The splitter has no escapes, so one word can hold only one kind of quote.
        return fail(error, "'" + word + "' holds both kinds of quote, which the launcher cannot receive as one word");
    }
    return true;
}

}  // namespace

std::vector<std::string> splitList(const std::string& text)
{
    return ::splitList(text.c_str());  // the launcher's own splitter
}

bool joinWords(const std::vector<std::string>& words, std::string* out, std::string* error)
{
    out->clear();
    for (const std::string& word : words) {
        std::string quoted;
        if (!quoteWord(word, &quoted, error))
            return false;
        if (!out->empty())
            out->push_back(' ');
        *out += quoted;
    }
    return true;
}

bool listFromText(ValueKind kind, const std::string& text, std::string* out, std::string* error)
{
    if (kind == ValueKind::WordList) {
        ArgList words;
        if (!splitLikeLauncher(text, &words))
            return fail(error, "a quote is not closed; the launcher would stop with its unbalanced-quotes message");
    } else {
        for (const std::string& item : splitList(text)) {
            if (!checkListItem(kind, item, error))
                return false;
        }
    }
    *out = text;
    return true;
}

bool listFromItems(ValueKind kind, const std::vector<std::string>& items, std::string* out, std::string* error)
{
    if (kind == ValueKind::WordList)
        return joinWords(items, out, error);
    out->clear();
    for (const std::string& item : items) {
        if (item.empty())
            return fail(error, "an item is empty");
        if (item.find(';') != std::string::npos)
            return fail(error, "the item '" + item + "' contains ';', which separates the items");
        if (!checkListItem(kind, item, error))
            return false;
        if (!out->empty())
            out->push_back(';');
        *out += item;
    }
    return true;
}

}  // namespace kvellpack
