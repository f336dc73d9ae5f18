#include "payload/config_store.h"

#include <climits>
#include <cstring>

#include "diag/message_texts.h"
#include "fs/text_buffer.h"
#include "payload/config_ids.h"

namespace {
// Error messages are configuration texts: diag looks them up here.
bool lendTextsToMessages()
{
    MessageTexts texts;
    texts.text = getString;
    texts.wideText = getWideString;
    texts.caption = cfg::kMsgCaption;
    texts.wideCaption = cfg::kWAppTitle;
    setMessageTexts(texts);
    return true;
}
} // namespace

ConfigStore& configStore()
{
    static ConfigStore store;
    static const bool lent = lendTextsToMessages();
    (void)lent;
    return store;
}

void getString(int id, char* buf, size_t cap)
{
    if (cap == 0)
        return;
    const auto& strings = configStore().strings;
    auto it = strings.find(id);
    copyBounded(buf, cap, it == strings.end() ? "" : it->second.c_str());
}

void getWideString(int id, WideChar* buf, size_t cap)
{
    if (cap == 0)
        return;
    const auto& wides = configStore().wides;
    auto it = wides.find(id);
    static const WideChar empty[1] = {0};
    copyBoundedWide(buf, cap, it == wides.end() ? empty : it->second.c_str());
}

int parseLeadingInt(const char* text)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate in 64 bits and clamp, so that a long digit run cannot overflow.
    long long value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
        ++p;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(value);
}

int getInt(int id)
{
    char buf[kTextBufferSize];
    getString(id, buf, sizeof buf);
    return parseLeadingInt(buf);
}
