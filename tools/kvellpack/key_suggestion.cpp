#include "key_suggestion.h"

#include <algorithm>

#include "key_table.h"

namespace kvellpack {

namespace {

// Keys the project reader handles itself rather than through the key table.
struct StructuralKey {
    const char* table;
    const char* name;
};

constexpr StructuralKey kStructuralKeys[] = {
    {"", "messages"},
    {"", "texts"},
    {"", "raw"},
    {"", "included_files"},
    {"", "include_runtime_jar"},
    {"", "console"},
    {"", "resources"},
    {"", "runtime_dir"},
    {"", "runtime_archive"},
    {"raw", "strings"},
    {"raw", "wide"},
    {"included_files", "path"},
    {"included_files", "name"},
    {"classpath", "kind"},
    {"classpath", "required"},
    {"classpath", "value"},
};

}  // namespace

std::vector<std::string> knownKeyNames(const std::string& table)
{
    std::vector<std::string> names;
    for (const KeySpec& spec : keyTable()) {
        if (table == spec.table)
            names.push_back(spec.name);
    }
    for (const StructuralKey& key : kStructuralKeys) {
        if (table == key.table)
            names.push_back(key.name);
    }
    return names;
}

size_t editDistance(const std::string& a, const std::string& b)
{
    // Three rows of the optimal-string-alignment table.
    std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[b.size()];
}

std::string nearestName(const std::string& typed, const std::vector<std::string>& known)
{
    std::string best;
    size_t bestDistance = std::min<size_t>(3, (typed.size() + 2) / 3);  // must be below this
    for (const std::string& name : known) {
        size_t distance = editDistance(typed, name);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace kvellpack
