#include "customfields/FieldCollection.h"

#include "platform/Failure.h"
#include "platform/Text.h"

namespace ob {

std::size_t FieldCollection::indexOfKey(const std::string& key) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].key && text::iequals(*m_entries[i].key, key)) {
            return i;
        }
    }
    return std::string::npos;
}

void FieldCollection::AddReference(Entry field, const std::string& key)
{
    try {
        if (key.empty()) {
            m_entries.push_back(Slot{std::move(field), std::nullopt});
            return;
        }
        if (indexOfKey(key) != std::string::npos) {
            throw Failure::duplicateKey();
        }
        m_entries.push_back(Slot{std::move(field), key});
    } catch (...) {
        Failure failure = currentFailure();
        failure.setSource("CFields.AddReference [" + failure.source() + "]");
        throw failure;
    }
}

FieldCollection::Entry FieldCollection::Item(long position) const
{
    if (position < 1 || position > Count()) {
        throw Failure::subscriptOutOfRange();
    }
    return m_entries[static_cast<std::size_t>(position - 1)].field;
}

} // namespace ob
