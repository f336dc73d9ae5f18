// The launcher's command-line splitter on the raw input, and kvellpack's quoting
// round trip: the input's lines (UTF-8, as TOML strings are) are the words;
// whenever kvellpack can quote them, the splitter must give them back.
#include "fuzz_support.h"
#include "fs/command_line.h"
#include "fs/wide.h"
#include "tools/kvellpack/key_table.h"
#include "tools/kvellpack/list_values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string raw(reinterpret_cast<const char*>(data), size);
    ArgList args;
    trySplitCommandLine(wideFromUtf8(raw).c_str(), args);

    if (raw.find('\0') != std::string::npos || !isUtf8(raw))
        return 0;
    std::vector<std::string> words = splitInput(data, size, '\n');
    std::string joined, error;
    if (!kvellpack::joinWords(words, &joined, &error)) {
        bool bothQuotes = false;
        for (const std::string& word : words)
            bothQuotes |= word.find('"') != std::string::npos && word.find('\'') != std::string::npos;
        FUZZ_CHECK(bothQuotes);
        return 0;
    }
    ArgList split;
    FUZZ_CHECK(trySplitCommandLine(wideFromUtf8(joined).c_str(), split));
    FUZZ_CHECK(split.size() == words.size());
    for (size_t i = 0; i < words.size(); ++i)
        FUZZ_CHECK(split[i] == wideFromUtf8(words[i]));
    // The joined text is also a valid word list as one string.
    std::string kept;
    FUZZ_CHECK(kvellpack::listFromText(kvellpack::ValueKind::WordList, joined, &kept, &error));
    return 0;
}
