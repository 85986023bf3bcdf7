#pragma once
// FieldCollection: an ordered collection of FieldDefinition references, positions from 1,
// optional keys unique without regard to letter case.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "customfields/FieldDefinition.h"

namespace ob {

class FieldCollection {
public:
    using Entry = std::shared_ptr<FieldDefinition>;

    // Empty key: no key. A key already present: Failure 457 with the source
    // "CFields.AddReference [<source>]"; the collection is unchanged.
    void AddReference(Entry field, const std::string& key = {});
    // Position outside 1..Count: Failure 9.
    Entry Item(long position) const;
    void Clear() { m_entries.clear(); }
    long Count() const { return static_cast<long>(m_entries.size()); }

    // NewEnum: walks the entries in position order.
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

    struct Slot {
        Entry field;
        std::optional<std::string> key;
    };

private:
    std::vector<Slot> m_entries;
    std::size_t indexOfKey(const std::string& key) const; // npos when absent
};

} // namespace ob
