#include "resource_tree.h"

#include <algorithm>
#include <map>

namespace kvellpack {

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr size_t kDirectoryBytes = 16;
constexpr size_t kEntryBytes = 8;
constexpr size_t kDataEntryBytes = 16;
constexpr size_t kMaxResources = 65536;  // far beyond any launcher; stops shared subdirectories multiplying

bool fail(std::string* error, const std::string& why)
{
    *error = why;
    return false;
}

// The bytes of the tree's section from its root on; offsets inside the tree are relative to the root.
struct TreeView {
    const PeHeaders* headers;
    const Bytes* image;
    size_t root = 0;
    size_t limit = 0;  // bytes readable from root
};

bool inTree(const TreeView& tree, uint32_t offset, size_t size)
{
    return offset <= tree.limit && size <= tree.limit - offset;
}

uint32_t treeLe32(const TreeView& tree, uint32_t offset)
{
    return readLe32(*tree.image, tree.root + offset);
}

uint16_t treeLe16(const TreeView& tree, uint32_t offset)
{
    const Bytes& image = *tree.image;
    return static_cast<uint16_t>(image[tree.root + offset] | (image[tree.root + offset + 1] << 8));
}

bool readName(const TreeView& tree, uint32_t field, ResourceName* name, std::string* error)
{
    *name = ResourceName();
    if ((field & kHighBit) == 0) {
        name->id = field;
        return true;
    }
    uint32_t at = field & ~kHighBit;
    if (!inTree(tree, at, 2) || !inTree(tree, at + 2, 2u * treeLe16(tree, at)))
        return fail(error, "names a resource outside its section");
    name->isText = true;
    for (uint16_t i = 0; i < treeLe16(tree, at); ++i)
        name->text.push_back(static_cast<char16_t>(treeLe16(tree, at + 2 + 2 * i)));
    return true;
}

// One directory table: its entries as (name field, target field).
bool readEntries(const TreeView& tree, uint32_t at, std::vector<std::pair<uint32_t, uint32_t>>* entries,
                 std::string* error)
{
    if (!inTree(tree, at, kDirectoryBytes))
        return fail(error, "has a table outside its section");
    size_t count = static_cast<size_t>(treeLe16(tree, at + 12)) + treeLe16(tree, at + 14);
    if (!inTree(tree, at + kDirectoryBytes, kEntryBytes * count))
        return fail(error, "has a table running past its section");
    entries->clear();
    for (size_t i = 0; i < count; ++i) {
        uint32_t entry = at + static_cast<uint32_t>(kDirectoryBytes + kEntryBytes * i);
        entries->emplace_back(treeLe32(tree, entry), treeLe32(tree, entry + 4));
    }
    return true;
}

bool readLeaf(const TreeView& tree, uint32_t target, Resource* resource, std::string* error)
{
    if ((target & kHighBit) != 0 || !inTree(tree, target, kDataEntryBytes))
        return fail(error, "has a language entry that is not a data entry");
    uint32_t rva = treeLe32(tree, target);
    uint32_t size = treeLe32(tree, target + 4);
    resource->codePage = treeLe32(tree, target + 8);
    size_t offset = 0;
    if (!offsetOfRva(*tree.headers, *tree.image, rva, size, &offset))
        return fail(error, "has a resource whose data lies outside the file");
    resource->data.assign(tree.image->begin() + static_cast<std::ptrdiff_t>(offset),
                          tree.image->begin() + static_cast<std::ptrdiff_t>(offset + size));
    return true;
}

bool subdirectory(uint32_t target, uint32_t* at, std::string* error)
{
    *at = target & ~kHighBit;
    return (target & kHighBit) != 0 || fail(error, "has data where a subdirectory belongs");
}

bool compareNames(const ResourceName& a, const ResourceName& b)
{
    if (a.isText != b.isText)
        return a.isText;  // names come first
    return a.isText ? a.text < b.text : a.id < b.id;
}

bool resourceBefore(const Resource& a, const Resource& b)
{
    if (!sameName(a.type, b.type))
        return compareNames(a.type, b.type);
    if (!sameName(a.name, b.name))
        return compareNames(a.name, b.name);
    return a.language < b.language;
}

void put32(Bytes& out, size_t at, uint32_t value)
{
    writeLe32(out, at, value);
}

// A table header with its counts; the entries follow.
void putTable(Bytes& out, size_t at, size_t named, size_t numbered)
{
    writeLe16(out, at + 12, static_cast<uint16_t>(named));
    writeLe16(out, at + 14, static_cast<uint16_t>(numbered));
}

size_t alignUp(size_t value, size_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

// Runs of equal keys in the sorted list, as [begin, end) index pairs.
template <typename Same>
std::vector<std::pair<size_t, size_t>> runs(size_t begin, size_t end, Same same)
{
    std::vector<std::pair<size_t, size_t>> out;
    for (size_t i = begin; i < end;) {
        size_t j = i + 1;
        while (j < end && same(i, j))
            ++j;
        out.emplace_back(i, j);
        i = j;
    }
    return out;
}

}  // namespace

ResourceName numbered(uint32_t id)
{
    ResourceName name;
    name.id = id;
    return name;
}

bool sameName(const ResourceName& a, const ResourceName& b)
{
    return a.isText == b.isText && (a.isText ? a.text == b.text : a.id == b.id);
}

bool readResourceTree(const PeHeaders& headers, const Bytes& image, uint32_t rva, ResourceList* list,
                      std::string* error)
{
    list->clear();
    TreeView tree{&headers, &image};
    bool found = false;
    for (const PeSection& section : headers.sections) {
        if (rva >= section.virtualAddress && rva - section.virtualAddress < section.rawSize &&
            static_cast<uint64_t>(section.rawPointer) + section.rawSize <= image.size()) {
            tree.root = section.rawPointer + (rva - section.virtualAddress);
            tree.limit = section.rawSize - (rva - section.virtualAddress);
            found = true;
        }
    }
    if (!found)
        return fail(error, "lies outside the file's sections");
    std::vector<std::pair<uint32_t, uint32_t>> types, names, languages;
    if (!readEntries(tree, 0, &types, error))
        return false;
    for (auto [typeField, typeTarget] : types) {
        uint32_t namesAt = 0;
        Resource resource;
        if (!readName(tree, typeField, &resource.type, error) || !subdirectory(typeTarget, &namesAt, error) ||
            !readEntries(tree, namesAt, &names, error))
            return false;
        for (auto [nameField, nameTarget] : names) {
            uint32_t languagesAt = 0;
            if (!readName(tree, nameField, &resource.name, error) || !subdirectory(nameTarget, &languagesAt, error) ||
                !readEntries(tree, languagesAt, &languages, error))
                return false;
            for (auto [languageField, leaf] : languages) {
                resource.language = languageField;
                if (list->size() == kMaxResources)
                    return fail(error, "holds more than 65536 resources");
                if (!readLeaf(tree, leaf, &resource, error))
                    return false;
                list->push_back(resource);
            }
        }
    }
    return true;
}

Bytes writeResourceTree(const ResourceList& unsorted, uint32_t sectionRva)
{
    ResourceList list = unsorted;
    std::stable_sort(list.begin(), list.end(), resourceBefore);
    auto typeRuns = runs(0, list.size(), [&](size_t a, size_t b) { return sameName(list[a].type, list[b].type); });

    // Sizes first: every table, then the data entries, then the names, then the data.
    size_t tables = kDirectoryBytes + kEntryBytes * typeRuns.size();
    std::vector<std::vector<std::pair<size_t, size_t>>> nameRuns;
    for (auto [begin, end] : typeRuns) {
        nameRuns.push_back(runs(begin, end, [&](size_t a, size_t b) { return sameName(list[a].name, list[b].name); }));
        tables += kDirectoryBytes + kEntryBytes * nameRuns.back().size();
        for (auto [nameBegin, nameEnd] : nameRuns.back())
            tables += kDirectoryBytes + kEntryBytes * (nameEnd - nameBegin);
    }
    size_t dataEntries = tables;
    size_t strings = dataEntries + kDataEntryBytes * list.size();
    std::map<std::u16string, size_t> stringAt;
    size_t stringsEnd = strings;
    for (const Resource& r : list) {
        for (const ResourceName* name : {&r.type, &r.name}) {
            if (name->isText && stringAt.emplace(name->text, stringsEnd).second)
                stringsEnd += 2 + 2 * name->text.size();
        }
    }
    size_t dataAt = alignUp(stringsEnd, 8);
    size_t total = dataAt;
    for (const Resource& r : list)
        total = alignUp(total + r.data.size(), 8);
    Bytes out(total, 0);

    for (const auto& [text, at] : stringAt) {
        writeLe16(out, at, static_cast<uint16_t>(text.size()));
        for (size_t i = 0; i < text.size(); ++i)
            writeLe16(out, at + 2 + 2 * i, static_cast<uint16_t>(text[i]));
    }
    auto nameField = [&](const ResourceName& name) {
        return name.isText ? static_cast<uint32_t>(stringAt.at(name.text)) | kHighBit : name.id;
    };
    auto countNamed = [&](const std::vector<std::pair<size_t, size_t>>& group, bool types) {
        size_t named = 0;
        for (auto [begin, end] : group)
            named += (types ? list[begin].type.isText : list[begin].name.isText) ? 1 : 0;
        return named;
    };

    size_t next = 0;  // where the next table goes
    size_t root = next;
    putTable(out, root, countNamed(typeRuns, true), typeRuns.size() - countNamed(typeRuns, true));
    next += kDirectoryBytes + kEntryBytes * typeRuns.size();
    size_t leaf = dataEntries;
    size_t data = dataAt;
    for (size_t t = 0; t < typeRuns.size(); ++t) {
        const auto& names = nameRuns[t];
        size_t typeTable = next;
        put32(out, root + kDirectoryBytes + kEntryBytes * t, nameField(list[typeRuns[t].first].type));
        put32(out, root + kDirectoryBytes + kEntryBytes * t + 4, static_cast<uint32_t>(typeTable) | kHighBit);
        putTable(out, typeTable, countNamed(names, false), names.size() - countNamed(names, false));
        next += kDirectoryBytes + kEntryBytes * names.size();
        for (size_t n = 0; n < names.size(); ++n) {
            auto [begin, end] = names[n];
            size_t languageTable = next;
            put32(out, typeTable + kDirectoryBytes + kEntryBytes * n, nameField(list[begin].name));
            put32(out, typeTable + kDirectoryBytes + kEntryBytes * n + 4, static_cast<uint32_t>(languageTable) | kHighBit);
            putTable(out, languageTable, 0, end - begin);
            next += kDirectoryBytes + kEntryBytes * (end - begin);
            for (size_t i = begin; i < end; ++i) {
                size_t entry = languageTable + kDirectoryBytes + kEntryBytes * (i - begin);
                put32(out, entry, list[i].language);
                put32(out, entry + 4, static_cast<uint32_t>(leaf));
                put32(out, leaf, sectionRva + static_cast<uint32_t>(data));
                put32(out, leaf + 4, static_cast<uint32_t>(list[i].data.size()));
                put32(out, leaf + 8, list[i].codePage);
                std::copy(list[i].data.begin(), list[i].data.end(), out.begin() + static_cast<std::ptrdiff_t>(data));
                leaf += kDataEntryBytes;
                data = alignUp(data + list[i].data.size(), 8);
            }
        }
    }
    return out;
}

}  // namespace kvellpack
