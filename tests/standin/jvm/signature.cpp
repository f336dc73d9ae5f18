#include "jvm/signature.h"

#include <cstring>

namespace standin {
namespace {

// Reads one field type at pos; returns its kind or 0 when malformed.
char fieldType(const std::string& s, size_t& pos) {
  if (pos >= s.size()) return 0;
  char c = s[pos++];
  if (std::strchr("ZBCSIJFD", c) != nullptr) return c;
  if (c == 'L') {
    size_t semi = s.find(';', pos);
    if (semi == std::string::npos || semi == pos) return 0;
    pos = semi + 1;
    return 'L';
  }
  if (c == '[') return fieldType(s, pos) ? 'L' : 0;
  return 0;
}

}  // namespace

std::optional<Signature> parseSignature(const std::string& text) {
  if (text.empty() || text[0] != '(') return std::nullopt;
  Signature sig{};
  size_t pos = 1;
  while (pos < text.size() && text[pos] != ')') {
    char t = fieldType(text, pos);
    if (!t) return std::nullopt;
    sig.parameters.push_back(t);
  }
  if (pos >= text.size()) return std::nullopt;
  ++pos;
  if (pos < text.size() && text[pos] == 'V') {
    sig.result = 'V';
    ++pos;
  } else {
    sig.result = fieldType(text, pos);
    if (!sig.result) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  return sig;
}

}  // namespace standin
