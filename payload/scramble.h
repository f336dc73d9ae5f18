// The included files are stored XOR-ed with one fixed byte, shared by the
// launcher and the build tool, so that a plain scan of the .exe does not see
// them as ordinary archives.
#pragma once

constexpr unsigned char kScrambleByte = 0xA7;
