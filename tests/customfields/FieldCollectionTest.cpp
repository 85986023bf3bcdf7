// The editor's fields: positions from 1, keys without regard to letter case.
#include <gtest/gtest.h>

#include "customfields/FieldCollection.h"
#include "platform/Failure.h"

namespace {

using ob::Failure;
using ob::FieldCollection;

std::shared_ptr<ob::FieldDefinition> field(const std::string& name)
{
    auto f = std::make_shared<ob::FieldDefinition>();
    f->setFieldName(name);
    return f;
}

std::string names(const FieldCollection& fields)
{
    std::string out;
    for (const auto& slot : fields) {
        out += slot.field->FieldName() + " ";
    }
    return out;
}

// The failure raised, or number 0 when none was.
template <typename F> Failure failureOf(F&& f)
{
    try {
        f();
    } catch (const Failure& failure) {
        return failure;
    }
    return Failure(0, "");
}

TEST(FieldCollection, positionsFromOneAndKeysUniqueIgnoringLetterCase)
{
    FieldCollection fields;
    fields.AddReference(field("first"), "Az09");
    fields.AddReference(field("unkeyed"));
    fields.AddReference(field("also unkeyed"));
    fields.AddReference(field("signs"), "@[");
    fields.AddReference(field("near"), "Az09 ");
    const Failure duplicate = failureOf([&] { fields.AddReference(field("second"), "aZ09"); });
    EXPECT_EQ(duplicate.number(), 457);
    EXPECT_EQ(duplicate.source(), "CFields.AddReference [" + Failure::duplicateKey().source() + "]");
    EXPECT_EQ(names(fields), "first unkeyed also unkeyed signs near ") << "a refused entry is not added";
    EXPECT_EQ(fields.Item(2)->FieldName(), "unkeyed");
    EXPECT_EQ(fields.Item(5)->FieldName(), "near");
    for (long position : {0L, 6L, -1L}) {
        EXPECT_EQ(failureOf([&] { fields.Item(position); }).number(), 9) << position;
    }
    EXPECT_EQ(fields.Count(), 5);
    fields.Clear();
    EXPECT_EQ(fields.Count(), 0);
    EXPECT_EQ(fields.begin(), fields.end());
    fields.AddReference(field("again"), "az09");
    EXPECT_EQ(fields.Item(1)->FieldName(), "again") << "a cleared key is free again";
}

} // namespace
