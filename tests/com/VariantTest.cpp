// Values crossing a dispatch call convert by the automation rules: ties to
// even, overflow as error 6, text that is no number as error 13. A host's
// property bag compares them the same way against a property's default.
#include <gtest/gtest.h>

#include "SliderComponent.h"
#include "com/Conversions.h"
#include "com/Variant.h"
#include "hosting/PropertyBag.h"

using com::Variant;

TEST(Variant, NumbersRoundTiesToEvenAndOverflowIsError6) {
    EXPECT_EQ(Variant(2.5).toInt32(), 2);
    EXPECT_EQ(Variant(3.5).toInt32(), 4);
    EXPECT_EQ(Variant(-2.5f).toInt16(), -2);
    EXPECT_EQ(Variant(int32_t(32767)).toInt16(), 32767);
    EXPECT_EQ(errorOf([] { Variant(int32_t(32768)).toInt16(); }), 6);
    EXPECT_EQ(errorOf([] { Variant(2147483647.5).toInt32(); }), 6);
    EXPECT_EQ(errorOf([] { com::checkedSub(32767, INT32_MIN); }), 6);
    EXPECT_EQ(errorOf([] { com::checkedAdd(INT32_MAX, 1); }), 6);
    EXPECT_EQ(com::checkedSub(0, INT32_MAX), -INT32_MAX);
}

TEST(Variant, BooleansAreMinusOneTextMustBeANumberAndReferencesWriteThrough) {
    EXPECT_EQ(Variant(true).toInt32(), -1);
    EXPECT_TRUE(Variant(int16_t(-1)).toBool());
    EXPECT_FALSE(Variant().toBool());
    EXPECT_EQ(Variant().toInt32(), 0);
    EXPECT_EQ(Variant(QStringLiteral(" 42 ")).toInt32(), 42);
    EXPECT_TRUE(Variant(QStringLiteral("True")).toBool());
    EXPECT_EQ(errorOf([] { Variant(QStringLiteral("abc")).toInt32(); }), 13);
    EXPECT_EQ(Variant(true).toString(), QStringLiteral("True"));
    // Same value in another type is another variant.
    EXPECT_FALSE(Variant(int16_t(1)) == Variant(int32_t(1)));
    // A handler's write to a by-reference argument reaches the caller.
    int16_t keyCode = 34;
    const Variant arg = Variant::byRef(&keyCode);
    EXPECT_EQ(arg.toInt32(), 34);
    *arg.refInt16() = 0;
    EXPECT_EQ(keyCode, 0);
    EXPECT_EQ(Variant(int32_t(5)).refInt16(), nullptr);
}

TEST(PropertyBag, AValueAtItsDefaultIsNotKeptEvenWhenWrittenBack) {
    hosting::PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Max"), Variant(int32_t(100)), Variant(int32_t(32767)));
    bag.WriteProperty(QStringLiteral("Min"), Variant(int16_t(0)), Variant(int32_t(0)));
    EXPECT_EQ(bag.names(), QStringList{QStringLiteral("Max")}) << "0 as int16 is the default 0";
    bag.WriteProperty(QStringLiteral("Max"), Variant(32767.0), Variant(int32_t(32767)));
    EXPECT_TRUE(bag.isEmpty());
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Max"), Variant(int32_t(32767))).toInt32(), 32767);
}

TEST(Guid, ParsesAndPrintsBothForms) {
    EXPECT_EQ(kClsid.toString(), QStringLiteral("{4BC2321F-C8F0-11D3-86B8-52544C9974A0}"));
    EXPECT_EQ(com::Guid::fromString(u"4bc2321f-c8f0-11d3-86b8-52544c9974a0"), kClsid);
    EXPECT_FALSE(com::Guid::fromString(u"{4BC2321F-C8F0-11D3-86B8-52544C9974A0"));
    EXPECT_FALSE(com::Guid::fromString(u"4BC2321F-C8F0-11D3-86B8-52544C9974AZ"));
    EXPECT_FALSE(com::Guid::fromString(kProgId));
}
