#pragma once

// Rule elements for tests, made from XML text: the module reads elements it is
// given and never parses XML itself.
#include <string_view>

#include "platform/winrt.h"

namespace vistane_test {

// The document element of `xml` with its inner text (all descendant text, in order)
// and its attributes. Malformed XML fails the current test and gives a null node.
winrt::Windows::Data::Xml::Dom::IXmlNode XmlElement(std::string_view xml);

}  // namespace vistane_test
