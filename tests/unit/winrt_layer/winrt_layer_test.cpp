#include <gtest/gtest.h>

#include <map>

#include "platform/winrt.h"
#include "tests/support/xml_element.h"

namespace {

using winrt::Windows::Data::Xml::Dom::IXmlAttribute;
using winrt::Windows::Data::Xml::Dom::IXmlNode;
using winrt::Windows::Foundation::IInspectable;
using winrt::Windows::Foundation::IPropertyValue;
using winrt::Windows::Foundation::PropertyType;

TEST(BoxedValues, CarryTheirPropertyTypeAndUnboxOnlyAsThatType) {
    EXPECT_EQ(winrt::box_value(L"x").as<IPropertyValue>().Type(), PropertyType::String);
    EXPECT_EQ(winrt::box_value(1.5).as<IPropertyValue>().Type(), PropertyType::Double);
    EXPECT_EQ(winrt::box_value(true).as<IPropertyValue>().Type(), PropertyType::Boolean);
    EXPECT_EQ(winrt::box_value(1).as<IPropertyValue>().Type(), PropertyType::Int32);

    EXPECT_EQ(winrt::unbox_value<winrt::hstring>(winrt::box_value(L"abc")), L"abc");
    EXPECT_EQ(winrt::unbox_value<double>(winrt::box_value(2.5)), 2.5);
    EXPECT_THROW(winrt::unbox_value<double>(winrt::box_value(1)), winrt::hresult_no_interface);
    EXPECT_THROW(winrt::unbox_value<winrt::hstring>(winrt::box_value(true)), winrt::hresult_no_interface);
    EXPECT_THROW(winrt::box_value(1).as<IPropertyValue>().GetDouble(), winrt::hresult_error);
}

TEST(BoxedValues, NullObjectsFailWithAWinRtErrorInsteadOfCrashing) {
    const IInspectable none = nullptr;
    EXPECT_FALSE(none);
    EXPECT_TRUE(none == nullptr);
    EXPECT_FALSE(none.try_as<IPropertyValue>());
    try {
        winrt::unbox_value<double>(none);
        ADD_FAILURE() << "unboxing null must fail";
    } catch (const winrt::hresult_error& error) {
        EXPECT_EQ(error.code(), static_cast<std::int32_t>(0x80004003));
    }
    EXPECT_THROW(none.as<IPropertyValue>(), winrt::hresult_error);
}

TEST(WinRtErrors, InvalidArgumentIsAnHresultErrorWithItsCode) {
    try {
        throw winrt::hresult_invalid_argument(L"bad");
    } catch (const winrt::hresult_error& error) {
        EXPECT_EQ(error.code(), static_cast<std::int32_t>(0x80070057));
        EXPECT_EQ(error.message(), L"bad");
    }
}

TEST(Hstrings, OrderByCodeUnitsSoLookupsAreCaseSensitive) {
    std::map<winrt::hstring, int> table{{L"regex", 1}, {L"none", 2}};
    EXPECT_EQ(table.count(L"regex"), 1u);
    EXPECT_EQ(table.count(L"Regex"), 0u);
    EXPECT_EQ(table.count(L"NONE"), 0u);
    EXPECT_LT(winrt::hstring(L"DISM"), winrt::hstring(L"mmc"));
    EXPECT_EQ(winrt::hstring(nullptr), L"");
}

TEST(XmlElements, InnerTextJoinsDescendantTextAndAttributesAreFoundByExactName) {
    const IXmlNode element = vistane_test::XmlElement(R"(<rule name="r" min=" 5">a<b>,c</b>&amp;d</rule>)");
    ASSERT_TRUE(element);
    EXPECT_EQ(element.InnerText(), L"a,c&d");
    EXPECT_EQ(element.Attributes().GetNamedItem(L"min").as<IXmlAttribute>().Value(), L" 5");
    EXPECT_EQ(winrt::unbox_value<winrt::hstring>(element.Attributes().GetNamedItem(L"name").NodeValue()), L"r");
    EXPECT_FALSE(element.Attributes().GetNamedItem(L"max"));
    EXPECT_FALSE(element.Attributes().GetNamedItem(L"MIN")) << "attribute names are case-sensitive";
    EXPECT_THROW(element.as<IXmlAttribute>(), winrt::hresult_no_interface);
    EXPECT_EQ(vistane_test::XmlElement("<rule>  keep blanks </rule>").InnerText(), L"  keep blanks ");
    EXPECT_EQ(vistane_test::XmlElement("<rule/>").InnerText(), L"");
}

TEST(XmlElements, NullElementFailsWithAWinRtError) {
    const IXmlNode none;
    EXPECT_TRUE(none == nullptr);
    EXPECT_THROW(none.InnerText(), winrt::hresult_error);
    EXPECT_THROW(none.Attributes(), winrt::hresult_error);
    EXPECT_FALSE(none.try_as<IXmlAttribute>());
}

}  // namespace
