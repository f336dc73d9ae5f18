// Where error messages get their texts. They are configuration entries, and the
// configuration sits above diag: its owner hands diag these lookups (see
// configStore()). Until then every text is empty, as an absent entry is.
#pragma once
#include <cstddef>

#include "fs/wide.h"

struct MessageTexts {
    // The 8-bit text of a string entry into buf (capacity cap); "" when absent.
    void (*text)(int id, char* buf, size_t cap) = nullptr;
    // The wide text of a wide entry into buf (capacity cap); "" when absent.
    void (*wideText)(int id, WideChar* buf, size_t cap) = nullptr;
    int caption = 0;      // string entry: caption of 8-bit message boxes
    int wideCaption = 0;  // wide entry: caption of wide message boxes
};

void setMessageTexts(const MessageTexts& texts);
