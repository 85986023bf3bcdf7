#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "customfields/FieldCollection.h"
#include "platform/Failure.h"

namespace {

using ob::FieldDefinition;
using ob::FieldCollection;
using ob::Failure;

std::shared_ptr<FieldDefinition> field(const std::string& name)
{
    auto f = std::make_shared<FieldDefinition>();
    f->setFieldName(name);
    return f;
}

std::vector<std::string> names(const FieldCollection& fields)
{
    std::vector<std::string> out;
    for (const auto& slot : fields) {
        out.push_back(slot.field->FieldName());
    }
    return out;
}

template <typename F>
Failure failureOf(F&& f)
{
    try {
        f();
    } catch (const Failure& failure) {
        return failure;
    }
    ADD_FAILURE() << "no failure raised";
    return Failure(0, "");
}

TEST(FieldCollection, positionsCountFromOneInInsertionOrder)
{
    FieldCollection fields;
    fields.AddReference(field("C1"), "C1");
    fields.AddReference(field("C2"), "C2");
    fields.AddReference(field("C3"));
    EXPECT_EQ(fields.Count(), 3);
    EXPECT_EQ(fields.Item(1)->FieldName(), "C1");
    EXPECT_EQ(fields.Item(3)->FieldName(), "C3");
    EXPECT_EQ(names(fields), (std::vector<std::string>{"C1", "C2", "C3"}));
}

TEST(FieldCollection, keysIgnoreLetterCase)
{
    FieldCollection fields;
    fields.AddReference(field("c1234"), "c1234");
    EXPECT_EQ(fields.Item("C1234")->FieldName(), "c1234");
    EXPECT_EQ(fields.Item(std::string("c1234"))->FieldName(), "c1234");
}

TEST(FieldCollection, duplicateKeyFailsAndLeavesCollectionUnchanged)
{
    FieldCollection fields;
    fields.AddReference(field("first"), "c1234");
    const Failure f = failureOf([&] { fields.AddReference(field("second"), "C1234"); });
    EXPECT_EQ(f.number(), 457);
    EXPECT_EQ(f.description(), Failure::duplicateKey().description());
    EXPECT_EQ(f.source(), "CFields.AddReference [" + Failure::duplicateKey().source() + "]");
    EXPECT_EQ(fields.Count(), 1);
    EXPECT_EQ(fields.Item("C1234")->FieldName(), "first");
}

TEST(FieldCollection, emptyKeyAddsEntryReachableOnlyByPosition)
{
    FieldCollection fields;
    fields.AddReference(field("a"));
    fields.AddReference(field("b"));
    EXPECT_EQ(fields.Count(), 2);
    EXPECT_EQ(failureOf([&] { fields.Item(""); }).number(), 5);
    EXPECT_EQ(fields.Item(2)->FieldName(), "b");
}

TEST(FieldCollection, textIsAlwaysAKeyEvenWithDigits)
{
    FieldCollection fields;
    fields.AddReference(field("one"), "2");
    fields.AddReference(field("two"), "1");
    EXPECT_EQ(fields.Item("1")->FieldName(), "two");
    EXPECT_EQ(fields.Item(1)->FieldName(), "one");
    fields.Remove("2");
    EXPECT_EQ(names(fields), (std::vector<std::string>{"two"}));
}

TEST(FieldCollection, positionOutsideRangeIsSubscriptOutOfRange)
{
    FieldCollection fields;
    fields.AddReference(field("a"), "a");
    for (long position : {0L, 2L, -1L}) {
        EXPECT_EQ(failureOf([&] { fields.Item(position); }).number(), 9) << position;
        EXPECT_EQ(failureOf([&] { fields.Remove(position); }).number(), 9) << position;
    }
    EXPECT_EQ(fields.Count(), 1);
}

TEST(FieldCollection, unknownKeyIsInvalidProcedureCall)
{
    FieldCollection fields;
    fields.AddReference(field("a"), "a");
    const Failure item = failureOf([&] { fields.Item("b"); });
    EXPECT_EQ(item.number(), 5);
    EXPECT_EQ(item.description(), "Invalid procedure call or argument");
    EXPECT_EQ(failureOf([&] { fields.Remove("b"); }).number(), 5);
    EXPECT_EQ(fields.Count(), 1);
}

TEST(FieldCollection, removeClosesTheGap)
{
    FieldCollection fields;
    fields.AddReference(field("a"), "a");
    fields.AddReference(field("b"), "b");
    fields.AddReference(field("c"), "c");
    fields.Remove(2);
    EXPECT_EQ(names(fields), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(fields.Item(2)->FieldName(), "c");
    fields.Remove("A");
    EXPECT_EQ(names(fields), (std::vector<std::string>{"c"}));
    // A removed key may be used again.
    fields.AddReference(field("b2"), "B");
    EXPECT_EQ(fields.Item("b")->FieldName(), "b2");
}

TEST(FieldCollection, clearEmptiesAndIsHarmlessWhenEmpty)
{
    FieldCollection fields;
    fields.Clear();
    EXPECT_EQ(fields.Count(), 0);
    fields.AddReference(field("a"), "a");
    fields.AddReference(field("b"));
    fields.Clear();
    EXPECT_EQ(fields.Count(), 0);
    EXPECT_EQ(fields.begin(), fields.end());
    fields.AddReference(field("a"), "a");
    EXPECT_EQ(fields.Count(), 1);
}

TEST(FieldCollection, entriesAreSharedReferences)
{
    auto shared = field("a");
    FieldCollection fields;
    fields.AddReference(shared, "a");
    fields.Item(1)->setFieldTitle("changed through the collection");
    EXPECT_EQ(shared->FieldTitle(), "changed through the collection");
    std::weak_ptr<FieldDefinition> watch = shared;
    shared.reset();
    EXPECT_FALSE(watch.expired());
    fields.Clear();
    EXPECT_TRUE(watch.expired());
}

TEST(FieldCollection, sameFieldUnderTwoKeys)
{
    auto f = field("x");
    FieldCollection fields;
    fields.AddReference(f, "k1");
    fields.AddReference(f, "k2");
    EXPECT_EQ(fields.Item("k1"), fields.Item("K2"));
    EXPECT_EQ(fields.Count(), 2);
}

} // namespace
