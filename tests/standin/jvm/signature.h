// Method signatures: what a static call's variable arguments are.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace standin {

struct Signature {
  std::vector<char> parameters;  // 'Z','B','C','S','I','J','F','D', or 'L' for any reference
  char result;                   // as above, or 'V'
};

// Parses "(<parameters>)<result>"; nullopt when malformed.
std::optional<Signature> parseSignature(const std::string& text);

}  // namespace standin
