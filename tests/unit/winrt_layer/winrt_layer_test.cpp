// The stand-in for C++/WinRT behaves as the argument rules rely on: a value unboxes only
// as its own type, a null object fails with an hresult_error instead of crashing, and
// names compare by code unit.
#include <gtest/gtest.h>

#include "platform/winrt.h"
#include "tests/support/xml_element.h"

namespace {

using winrt::Windows::Data::Xml::Dom::IXmlAttribute;
using winrt::Windows::Data::Xml::Dom::IXmlNode;
using winrt::Windows::Foundation::IInspectable;
using winrt::Windows::Foundation::IPropertyValue;
using winrt::Windows::Foundation::PropertyType;

TEST(WinRtLayer, BoxedValuesUnboxOnlyAsTheirOwnType) {
    EXPECT_EQ(winrt::box_value(L"x").as<IPropertyValue>().Type(), PropertyType::String);
    EXPECT_EQ(winrt::box_value(true).as<IPropertyValue>().Type(), PropertyType::Boolean);
    EXPECT_EQ(winrt::box_value(1).as<IPropertyValue>().Type(), PropertyType::Int32);
    EXPECT_EQ(winrt::unbox_value<double>(winrt::box_value(2.5)), 2.5);
    EXPECT_THROW(winrt::unbox_value<double>(winrt::box_value(1)), winrt::hresult_no_interface);
    EXPECT_THROW(winrt::unbox_value<winrt::hstring>(winrt::box_value(true)), winrt::hresult_no_interface);
    const IInspectable none = nullptr;
    EXPECT_FALSE(none.try_as<IPropertyValue>());
    try {
        winrt::unbox_value<double>(none);
        ADD_FAILURE() << "unboxing null must fail";
    } catch (const winrt::hresult_error& error) {
        EXPECT_EQ(error.code(), static_cast<std::int32_t>(0x80004003));  // E_POINTER
    }
    EXPECT_EQ(winrt::hresult_invalid_argument(L"bad").code(), static_cast<std::int32_t>(0x80070057));
    EXPECT_FALSE(winrt::hstring(L"Regex") == winrt::hstring(L"regex"));
    EXPECT_LT(winrt::hstring(L"DISM"), winrt::hstring(L"mmc"));
}

TEST(WinRtLayer, XmlElementsJoinTheirTextAndFindAttributesByExactName) {
    const IXmlNode element = vistane_test::XmlElement(R"(<rule name="r" min=" 5">a<b>,c</b>&amp;d</rule>)");
    EXPECT_EQ(element.InnerText(), L"a,c&d");
    EXPECT_EQ(element.Attributes().GetNamedItem(L"min").as<IXmlAttribute>().Value(), L" 5");
    EXPECT_EQ(winrt::unbox_value<winrt::hstring>(element.Attributes().GetNamedItem(L"name").NodeValue()), L"r");
    EXPECT_FALSE(element.Attributes().GetNamedItem(L"MIN"));
    EXPECT_THROW(element.as<IXmlAttribute>(), winrt::hresult_no_interface);
    EXPECT_THROW(IXmlNode().InnerText(), winrt::hresult_error);
    EXPECT_THROW(IXmlNode().Attributes(), winrt::hresult_error);
}

}  // namespace
