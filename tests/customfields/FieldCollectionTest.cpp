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

TEST(FieldCollection, positionsFromOneAndKeysIgnoringLetterCase)
{
    FieldCollection fields;
    fields.AddReference(field("first"), "Az09");
    fields.AddReference(field("unkeyed"));
    fields.AddReference(field("digits"), "1");
    fields.AddReference(field("signs"), "@[");
    const Failure duplicate = failureOf([&] { fields.AddReference(field("second"), "aZ09"); });
    EXPECT_EQ(duplicate.number(), 457);
    EXPECT_EQ(duplicate.source(), "CFields.AddReference [" + Failure::duplicateKey().source() + "]");
    EXPECT_EQ(names(fields), "first unkeyed digits signs ");
    EXPECT_EQ(fields.Item(2)->FieldName(), "unkeyed");
    EXPECT_EQ(fields.Item("aZ09")->FieldName(), "first");
    EXPECT_EQ(fields.Item("1")->FieldName(), "digits") << "a text is always a key";
    EXPECT_EQ(fields.Item("@[")->FieldName(), "signs");
    for (const char* unknown : {"", "Az0", "Az09 ", "`[", "@{"}) {
        EXPECT_EQ(failureOf([&] { fields.Item(unknown); }).number(), 5) << unknown;
        EXPECT_EQ(failureOf([&] { fields.Remove(unknown); }).number(), 5) << unknown;
    }
    for (long position : {0L, 5L, -1L}) {
        EXPECT_EQ(failureOf([&] { fields.Item(position); }).number(), 9) << position;
        EXPECT_EQ(failureOf([&] { fields.Remove(position); }).number(), 9) << position;
    }
    EXPECT_EQ(fields.Count(), 4);
    fields.Remove(2); // closes the gap
    EXPECT_EQ(fields.Item(2)->FieldName(), "digits");
    fields.Remove("AZ09");
    EXPECT_EQ(names(fields), "digits signs ");
    fields.AddReference(field("again"), "az09");
    EXPECT_EQ(fields.Item("AZ09")->FieldName(), "again");
    fields.Clear();
    EXPECT_EQ(fields.Count(), 0);
    EXPECT_EQ(fields.begin(), fields.end());
}

} // namespace
