// What makes kvell.exe recognisable as a launcher stub: a section of its own
// whose data begins with a fixed text. kvellpack packs only onto a file that
// has it. A section of its own, not a resource or a string somewhere in
// .rdata: resources may be rewritten after the build, and kvellpack, which
// holds the text too, must not pass for a stub itself.
#pragma once

// Macros, as the launcher needs them as literals in a section attribute.
#define KVELL_STUB_SECTION ".kvell"  // at most 8 characters: the whole name fits the section header
#define KVELL_STUB_MARKER "kvell launcher stub"
