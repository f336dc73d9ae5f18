#include "version_resource.h"

#include "file_io.h"
#include "fs/wide.h"

namespace kvellpack {

namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint32_t kFixedStructVersion = 0x00010000;
constexpr uint32_t kFileFlagsMask = 0x3F;
constexpr uint32_t kOsNtWindows32 = 0x00040004;
constexpr uint32_t kFileTypeApp = 1;
constexpr size_t kFixedBytes = 52;
constexpr uint16_t kBinary = 0;
constexpr uint16_t kText = 1;
constexpr const char* kStringTable = "040904B0";  // US English, UTF-16
constexpr uint32_t kTranslation = 0x04B00409;     // the same as (language, code page)

void append16(Bytes& out, uint16_t value)
{
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void appendKey(Bytes& out, const std::string& ascii)
{
    for (char c : ascii)
        append16(out, static_cast<unsigned char>(c));
    append16(out, 0);
}

void padTo4(Bytes& out)
{
    while (out.size() % 4 != 0)
        out.push_back(0);
}

// One node: wLength, wValueLength, wType, the key, the value, the children,
// each piece 4-byte aligned; wLength leaves out the padding after the last child.
Bytes block(const std::string& key, uint16_t type, const Bytes& value, uint16_t valueLength,
            const std::vector<Bytes>& children)
{
    Bytes out;
    append16(out, 0);
    append16(out, valueLength);
    append16(out, type);
    appendKey(out, key);
    padTo4(out);
    out.insert(out.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        padTo4(out);
        out.insert(out.end(), child.begin(), child.end());
    }
    writeLe16(out, 0, static_cast<uint16_t>(out.size()));
    return out;
}

Bytes stringNode(const std::string& name, const std::string& utf8)
{
    WideString text = wideFromUtf8(utf8);
    Bytes value;
    for (WideChar unit : text)
        append16(value, static_cast<uint16_t>(unit));
    append16(value, 0);
    // In characters, with the terminator.
    return block(name, kText, value, static_cast<uint16_t>(text.size() + 1), {});
}

Bytes fixedInfo(const VersionInfo& info)
{
    auto high = [](const VersionNumbers& v) { return (static_cast<uint32_t>(v[0]) << 16) | v[1]; };
    auto low = [](const VersionNumbers& v) { return (static_cast<uint32_t>(v[2]) << 16) | v[3]; };
    Bytes out;
    for (uint32_t field : {kFixedSignature, kFixedStructVersion, high(info.fileVersion), low(info.fileVersion),
                           high(info.productVersion), low(info.productVersion), kFileFlagsMask, 0u, kOsNtWindows32,
                           kFileTypeApp, 0u, 0u, 0u})
        appendLe32(out, field);
    return out;
}

// A node as read back: where its value and its children lie within data.
struct Node {
    size_t start = 0;
    size_t end = 0;  // start + wLength
    uint16_t valueLength = 0;
    uint16_t type = 0;
    std::u16string key;
    size_t value = 0;  // offset of the value (after the key's padding)
};

size_t align4(size_t value)
{
    return (value + 3) & ~static_cast<size_t>(3);
}

bool readNode(const Bytes& data, size_t at, size_t limit, Node* node)
{
    if (at + 6 > limit)
        return false;
    uint16_t length = getLe16(&data[at]);
    if (length < 6 || at + length > limit)
        return false;
    node->start = at;
    node->end = at + length;
    node->valueLength = getLe16(&data[at + 2]);
    node->type = getLe16(&data[at + 4]);
    node->key.clear();
    size_t p = at + 6;
    while (true) {
        if (p + 2 > node->end)
            return false;
        char16_t unit = static_cast<char16_t>(getLe16(&data[p]));
        p += 2;
        if (unit == 0)
            break;
        node->key.push_back(unit);
    }
    node->value = align4(p);
    return true;
}

std::vector<Node> children(const Bytes& data, const Node& parent, size_t first)
{
    std::vector<Node> out;
    for (size_t at = align4(first); at < parent.end;) {
        Node child;
        if (!readNode(data, at, parent.end, &child))
            break;
        out.push_back(child);
        at = align4(child.end);
    }
    return out;
}

std::string narrow(const std::u16string& text)
{
    return utf8FromWide(WideString(text.begin(), text.end()));
}

void readStrings(const Bytes& data, const Node& table, VersionInfo* info)
{
    for (const Node& entry : children(data, table, table.value)) {
        std::u16string value;
        for (size_t p = entry.value; p + 2 <= entry.end; p += 2) {
            char16_t unit = static_cast<char16_t>(getLe16(&data[p]));
            if (unit == 0)
                break;
            value.push_back(unit);
        }
        info->strings.emplace_back(narrow(entry.key), narrow(value));
    }
}

}  // namespace

bool parseVersionNumbers(const std::string& text, VersionNumbers* numbers)
{
    *numbers = VersionNumbers{};
    size_t part = 0, at = 0;
    while (true) {
        size_t digits = 0;
        uint32_t value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 6) {
            value = value * 10 + static_cast<uint32_t>(text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || value > 0xFFFF || part == 4)
            return false;
        (*numbers)[part++] = static_cast<uint16_t>(value);
        if (at == text.size())
            return true;
        if (text[at] != '.')
            return false;
        ++at;
    }
}

std::string versionNumbersText(const VersionNumbers& numbers)
{
    return std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." + std::to_string(numbers[2]) + "." +
           std::to_string(numbers[3]);
}

Bytes encodeVersionInfo(const VersionInfo& info)
{
    std::vector<Bytes> strings;
    for (const auto& [name, value] : info.strings)
        strings.push_back(stringNode(name, value));
    Bytes stringFileInfo = block("StringFileInfo", kText, {}, 0, {block(kStringTable, kText, {}, 0, strings)});
    Bytes translation;
    appendLe32(translation, kTranslation);
    Bytes varFileInfo = block("VarFileInfo", kText, {}, 0, {block("Translation", kBinary, translation, 4, {})});
    return block("VS_VERSION_INFO", kBinary, fixedInfo(info), kFixedBytes, {stringFileInfo, varFileInfo});
}

bool decodeVersionInfo(const Bytes& data, VersionInfo* info)
{
    *info = VersionInfo();
    Node root;
    if (!readNode(data, 0, data.size(), &root) || root.key != u"VS_VERSION_INFO")
        return false;
    size_t childrenAt = root.value;
    if (root.valueLength >= kFixedBytes && root.value + kFixedBytes <= root.end &&
        getLe32(&data[root.value]) == kFixedSignature) {
        auto split = [&](size_t at, VersionNumbers* v) {
            uint32_t high = getLe32(&data[at]), low = getLe32(&data[at + 4]);
            *v = {static_cast<uint16_t>(high >> 16), static_cast<uint16_t>(high), static_cast<uint16_t>(low >> 16),
                  static_cast<uint16_t>(low)};
        };
        split(root.value + 8, &info->fileVersion);
        split(root.value + 16, &info->productVersion);
        childrenAt = root.value + root.valueLength;
    }
    for (const Node& child : children(data, root, childrenAt)) {
        if (child.key != u"StringFileInfo")
            continue;
        for (const Node& table : children(data, child, child.value))
            readStrings(data, table, info);
    }
    return true;
}

}  // namespace kvellpack
