#include "fs/command_line.h"

namespace {
const WideChar* findChar(const WideChar* p, WideChar c)
{
    for (; *p != 0; ++p) {
        if (*p == c)
            return p;
    }
    return nullptr;
}
} // namespace

bool trySplitCommandLine(const WideChar* line, ArgList& args)
{
    const WideChar* p = line;
    while (*p != 0) {
        const WideChar* dquote = findChar(p, '"');
        const WideChar* squote = findChar(p, '\'');
        const WideChar* blank = findChar(p, ' ');
        if (blank == p) {
            ++p;
            continue;
        }
        bool blankFirst = blank != nullptr && (dquote == nullptr || blank < dquote) &&
                          (squote == nullptr || blank < squote);
        if (blankFirst) {
            args.emplace_back(p, blank);
            p = blank + 1;
            continue;
        }
        if (dquote == nullptr && squote == nullptr) {
            args.emplace_back(p);
            break;
        }
        // A double quote wins only when it comes before the single quote.
        const WideChar* open = (dquote != nullptr && (squote == nullptr || dquote < squote)) ? dquote : squote;
        const WideChar* close = findChar(open + 1, *open);
        if (close == nullptr)
            return false;
        WideString arg(p, open);
        arg.append(open + 1, close);
        args.push_back(arg);
        p = close + 1;
        if (*p == ' ')
            ++p;
    }
    return true;
}
